#pragma once
// Forms: top-level windows with the lifecycle of a classic form designer.
//
// A form object is created on first reference (through a FormRef), loaded on first use of its
// window (Load, Show, Hwnd), destroyed on Unload; after the reference is dropped, the next
// reference makes a new object with fresh members. Geometry is given in twips and converted at
// the system DPI.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "win/handles.h"
#include "win/message_loop.h"

namespace win {

// A form sends WM_CTLCOLORSTATIC to the static control it is about as this message first (same
// wParam and lParam): a control that answers with a brush chooses its own colours.
inline constexpr UINT kReflectedCtlColorStatic = WM_APP + 0x7F1;

// The answer to WM_CTLCOLORSTATIC for text in `textColour` on the forms' background (the
// system's button-face colour): sets up the DC and returns the background brush.
inline LRESULT TextOnFormBackground(HDC dc, COLORREF textColour) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, textColour);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// How a form's window looks and where it opens.
struct FormDesign {
    const wchar_t* className = nullptr;  // window class, registered on first load
    std::wstring caption;                // design caption
    DWORD style = WS_POPUP;              // frame styles (WS_CAPTION, WS_THICKFRAME, ...)
    DWORD exStyle = 0;
    int clientWidth = 0;                 // client area, twips
    int clientHeight = 0;
    enum class Place { CenterScreen, Fixed, Default } place = Place::CenterScreen;
    int clientLeft = 0;                  // Place::Fixed: client top-left on the screen, twips
    int clientTop = 0;
    bool showInTaskbar = false;          // false: owned by the hidden application window
    NavigationKeys keys = NavigationKeys::None;  // what the message loop does with Tab, Enter, ...
    bool focusOnShow = true;             // the first tab stop takes the focus when the form opens
    int iconResource = 0;                // 0: none
    int backgroundSysColor = COLOR_BTNFACE;  // -1: the form paints its own background
};

enum class ShowMode { Modeless, Modal };

class Form : public std::enable_shared_from_this<Form> {
public:
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    // The window, loading the form first if it is not loaded.
    HWND Hwnd();
    bool IsLoaded() const { return hwnd_ != nullptr; }

    // Creates the window and its controls and runs OnLoad; does nothing when already loaded.
    void Load();
    // Loads if needed and shows. A modal show disables the thread's other top-level windows and
    // returns once this form has been unloaded.
    void Show(ShowMode mode = ShowMode::Modeless);
    void SetVisible(bool visible);
    // Runs OnUnload and destroys the window; does nothing when not loaded.
    void Unload();

    std::wstring Caption() const;
    void SetCaption(const std::wstring& text);

    // The form behind a window of ours, or nullptr.
    static Form* FromHwnd(HWND hwnd);

protected:
    explicit Form(FormDesign design);

    virtual void CreateControls() {}
    virtual void OnLoad() {}
    virtual void OnUnload() {}
    // Runs from the message loop after the form has become the active window.
    virtual void OnActivate() {}
    // WM_COMMAND from a control or accelerator.
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // Any other message; return true when handled (result in `result`).
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }

    // A child control at a position in twips of the client area, with the form's font.
    HWND AddControl(const wchar_t* windowClass, const std::wstring& text, DWORD style,
                    DWORD exStyle, int id, int left, int top, int width, int height);
    HFONT Font() const { return font_.get(); }
    const FormDesign& Design() const { return design_; }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void RegisterClassOnce();
    void ReleaseModal();
    void RestoreFocus();
    // WM_NEXTDLGCTL as a dialog procedure answers it: the focus goes to the control in `wp` when
    // LOWORD(lp) is set, otherwise to the next (wp == 0) or previous tab stop.
    void MoveDialogFocus(WPARAM wp, LPARAM lp);

    FormDesign design_;
    HWND hwnd_ = nullptr;
    UniqueFont font_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    bool activated_ = false;
    std::vector<HWND> disabledByModal_;
};

// A single-instance reference to a form kind: creates the object on first use; Drop lets it go
// (the object lives on while a running handler still holds it).
template <class T>
class FormRef {
public:
    FormRef() = default;
    template <class Factory>
    explicit FormRef(Factory make) : make_(std::move(make)) {}

    T* operator->() { return &Get(); }
    T& operator*() { return Get(); }
    T& Get() {
        if (!object_) {
            if constexpr (std::is_default_constructible_v<T>) {
                object_ = make_ ? make_() : std::make_shared<T>();
            } else {
                object_ = make_();
            }
        }
        return *object_;
    }
    bool Exists() const { return object_ != nullptr; }
    void Drop() { object_.reset(); }
    std::shared_ptr<T> Share() { Get(); return object_; }

private:
    std::shared_ptr<T> object_;
    std::function<std::shared_ptr<T>()> make_;
};

// The hidden window that owns forms without a taskbar button, and its class.
HWND ApplicationWindow();
inline constexpr wchar_t kApplicationWindowClass[] = L"TavelinApplication";

}  // namespace win

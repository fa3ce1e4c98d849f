#pragma once
// Forms: top-level windows with the lifecycle of a classic form designer.
//
// A form object is made by its owner and loaded on the first use of its window (Load, Show,
// Hwnd): its window and controls are made and OnLoad runs. Unload destroys the window, not the
// object, whose next use loads a new window from the design. Geometry is given in twips and
// converted at the system DPI. The form keeps its lifecycle only: a modal show's effect on the
// other windows is a ModalScope, the keyboard navigation a DialogNavigation, and a control that
// chooses its own colours does so through OwnColours.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "win/control_colours.h"
#include "win/dialog_navigation.h"
#include "win/handles.h"
#include "win/modal_scope.h"
#include "win/twips.h"

namespace win {

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
    FontDesign font;                     // the controls' font (AddControl); no face: the system's
    NavigationKeys keys = NavigationKeys::None;  // what the message loop does with Tab, Enter, ...
    bool focusOnShow = true;             // the first tab stop takes the focus when the form opens
    int iconResource = 0;                // 0: none
    int backgroundSysColor = kFormBackground;  // -1: the form paints its own background
};

enum class ShowMode { Modeless, Modal };

// Nothing keeps a form object alive but its owner, which must outlive the form's shows and
// handlers: the object may not go while code of its own runs (a handler, or a modal show's loop).
class Form {
public:
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    // The window, loading the form first if it is not loaded.
    HWND Hwnd();
    bool IsLoaded() const { return hwnd_ != nullptr; }

    // Creates the window and its controls and runs OnLoad; does nothing when already loaded.
    void Load();
    // Loads if needed and shows. A modal show disables the thread's other forms and returns once
    // this form has been unloaded, or at once on a quit (message_loop.h), leaving it loaded.
    void Show(ShowMode mode = ShowMode::Modeless);
    void SetVisible(bool visible);
    // Runs OnUnload and destroys the window; does nothing when not loaded.
    void Unload();

    std::wstring Caption() const;
    void SetCaption(const std::wstring& text);

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
    // Whether a window of the thread is one of the program's forms.
    static bool IsForm(HWND hwnd);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void RegisterClassOnce();
    // Everything the form holds for its window goes here, when the window goes (WM_NCDESTROY).
    void Detached();

    FormDesign design_;
    HWND hwnd_ = nullptr;
    UniqueFont font_;
    DialogNavigation navigation_;
    std::optional<ModalScope> modal_;
    bool activated_ = false;
};

// The hidden window that owns the forms without a taskbar button: made once, by the program,
// with its class name, title and icon (a resource id, 0 for none), before its first such form
// loads (later calls return it). A close request to it ends the run as a quit does
// (message_loop.h); it never destroys itself.
HWND CreateApplicationWindow(const wchar_t* className, const wchar_t* title, int iconResource = 0);
// That window, or nullptr before it is made.
HWND ApplicationWindow();

// Asks Windows for the foreground for `window`: whether it is now the foreground window.
bool TakeForeground(HWND window);

// Brings a shown window before the user: into the foreground where Windows lets the process
// take it (`takeForeground`, which tests replace). Where Windows refuses (the user went on in
// another program while the drive was flushed), the user is told as Windows programs tell it: a
// taskbar button flashes until the user comes back. A window without one of its own (owned by
// the application window) gets the application window's, which, clicked, hands the activation
// on to the window and goes again once the program is in front.
void BringToUser(HWND window, bool (*takeForeground)(HWND) = &TakeForeground);

// What the program does when the session ends (WM_ENDSESSION to the application window):
// Windows may end the process at any moment after the message returns, so `end` should end it
// itself. Until it is set, nothing: the process ends as Windows ends it.
void OnSessionEnd(std::function<void()> end);

}  // namespace win

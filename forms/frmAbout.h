#pragma once
// The About window: version, picture, clip, rights notice, and links to the licence, the
// read-me, the maker's web page and the screen effect.

#include <cstdint>
#include <string>

#include "ui/animation.h"
#include "ui/form.h"
#include "ui/handles.h"
#include "ui/system_dll.h"

namespace app {
struct Forms;
}

namespace forms {

class frmAbout : public ui::Form {
public:
    explicit frmAbout(app::Forms& forms);

private:
    // Hands a file path or web address to the shell with the "Open" verb; the shell's result
    // code, unchanged (a value above 32 means the shell accepted the request).
    int32_t StartDoc(const std::wstring& document);
    // Tells the user in a message box why the shell refused, when it did (result 32 or less).
    void ReportShellFailure(int32_t result);

    void Form_KeyUp(WPARAM key);
    void OnLoad() override;
    void Label1_Click();
    void Label3_Click();
    void Label4_Click();
    void Label8_Click();
    void Label9_Click();

    void CreateControls() override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // A label in the link style: the link font, shrunk to the size of its text.
    HWND AddLink(const wchar_t* text, int id, int left, int top, int width, int height);
    bool IsLink(HWND control) const;

    app::Forms& forms_;
    ui::UniqueGdiObject linkFont_;
    ui::UniqueGdiObject photo_;
    HCURSOR linkCursor_ = nullptr;
    // Escape's press reached this window: only such a press's release opens the licence, so the
    // Escape that dismisses a message box does not open the box again on its release.
    bool escapePressed_ = false;
    // Loaded from System32 on the first request; they go with the window.
    ui::SystemLibrary shell32_;
    ui::SystemLibrary winmm_;

    HWND Image2 = nullptr;
    HWND lblVersione = nullptr;
    HWND Label5 = nullptr;
    HWND Label6 = nullptr;
    HWND Label7 = nullptr;
    ui::Animation Animation1;
    HWND Label8 = nullptr;
    HWND Image1 = nullptr;
    HWND Label2 = nullptr;
    HWND Label1 = nullptr;
    HWND Label3 = nullptr;
    HWND Label9 = nullptr;
    HWND Label4 = nullptr;
};

}  // namespace forms

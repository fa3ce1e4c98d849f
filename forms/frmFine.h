#pragma once
// The result window: the flush run's result text under the versioned title.

#include <string>

#include "ui/form.h"

namespace app {
struct Forms;
}

namespace forms {

class frmFine : public ui::Form {
public:
    explicit frmFine(app::Forms& forms);

    // Text1's text; setting it loads the window.
    void SetText1(const std::wstring& text);
    std::wstring Text1Text();

private:
    void CreateControls() override;
    void OnLoad() override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void cmdOk_Click();
    void cmdInfo_Click();

    app::Forms& forms_;
    HWND Text1 = nullptr;
    HWND cmdInfo = nullptr;
    HWND cmdOk = nullptr;
};

}  // namespace forms

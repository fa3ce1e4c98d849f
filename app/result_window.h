#pragma once
// The result window: the flush run's result text under the versioned title, with Ok and Info.

#include <functional>
#include <string>

#include "win/form.h"

namespace app {

class ResultWindow : public win::Form {
public:
    struct Needs {
        // The caption once the window has loaded, "Tavelin v.3.0.0"; before that it is the product
        // name alone.
        std::wstring title;
        // What Info does: shows the About window and returns when it has closed.
        std::function<void()> showAbout;
    };
    explicit ResultWindow(Needs needs);

    // Puts the result text into the text box, loading the window first.
    void SetResultText(const std::wstring& text);

private:
    void CreateControls() override;
    void OnLoad() override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void OnOk();
    void OnInfo();

    const Needs needs_;
    HWND resultText_ = nullptr;
    HWND infoButton_ = nullptr;
    HWND okButton_ = nullptr;
};

}  // namespace app

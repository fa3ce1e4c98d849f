#pragma once
// The About window: version, pictures, clip, rights notice, and links to the licence, the
// read-me, the maker's web page and the screen effect; a hidden spot on the photograph plays a
// sound.

#include <cstdint>
#include <functional>
#include <string>

#include "win/animation.h"
#include "win/form.h"
#include "win/handles.h"
#include "win/link_label.h"
#include "win/shell.h"
#include "win/sound.h"

namespace app {

class AboutWindow : public win::Form {
public:
    struct Needs {
        // The text of the version label: the program's versioned title, the result window's
        // caption.
        std::wstring title;
        // The folder that holds the program and its sibling files.
        std::wstring programFolder;
        // What the effect link does: runs the screen effect and returns when it has ended.
        std::function<void()> runScreenEffect;
        // What hands the links' documents to the shell, on a thread of its own.
        win::HandOver handOver = win::HandOverToShell;
    };
    explicit AboutWindow(Needs needs);

private:
    // Hands a file path or web address to the shell with the "Open" verb and returns at once;
    // the shell's result code, unchanged, reaches ReportShellFailure within the hand-over's
    // limit (a value above 32 means the shell accepted the request). A click while one is
    // pending starts nothing new.
    void OpenDocument(const std::wstring& document);
    // Tells the user in a message box why the shell refused, when it did (result 32 or less).
    void ReportShellFailure(int32_t result);

    void OnLoad() override;
    void CreateControls() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // A sibling file's path (core::SiblingPath).
    std::wstring Sibling(const wchar_t* name) const;

    void OnEscapeReleased();
    void PlaySpotSound();
    void OpenLicence();
    void OpenReadme();
    void OpenHomePage();
    void RunScreenEffect();

    const Needs needs_;
    // The sound's library is loaded on the first sound; both go with the window object.
    win::DocumentOpener documents_;
    win::SoundPlayer sound_;
    win::UniqueBitmap photoBitmap_;
    // Escape's press reached this window: only such a press's release opens the licence, so the
    // Escape that dismisses a message box does not open the box again on its release.
    bool escapePressed_ = false;

    HWND icon_ = nullptr;
    HWND version_ = nullptr;
    HWND language_ = nullptr;
    HWND updateNote_ = nullptr;
    HWND clipFrame_ = nullptr;
    win::Animation clip_;
    win::LinkLabel homePageLink_;
    HWND photo_ = nullptr;
    HWND rightsNotice_ = nullptr;
    win::ClickableLabel soundSpot_;
    win::LinkLabel licenceLink_;
    win::LinkLabel readmeLink_;
    win::LinkLabel effectLink_;
};

}  // namespace app

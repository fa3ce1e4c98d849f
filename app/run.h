#pragma once
// The run: it builds the windows, hands each what it needs, and runs the flush between them.

#include <memory>
#include <optional>
#include <string>

#include "app/about_window.h"
#include "app/result_window.h"
#include "app/wait_window.h"
#include "win/system_dll.h"

namespace app {

// The program's windows, one instance of each kind, made on first use (its constructor is its
// initialisation step, so a window that a run never needs is never made) and wired to each
// other only through what the run gives them: Info shows the About window, the effect link runs
// a new screen effect window. The window objects go with this object, at the end of the run,
// after every show has returned.
class Windows {
    // The common controls, loaded and initialised when the result window is first made: the
    // windows' controls take their look from them, so they outlive the windows.
    std::optional<win::Comctl32> comctl32_;
    const std::wstring programFolder_;
    // The product name and the version, "Tavelin v.3.0.0": the result window's caption once it
    // has loaded, and the About window's version label.
    const std::wstring title_;
    std::unique_ptr<WaitWindow> wait_;
    std::unique_ptr<ResultWindow> result_;
    std::unique_ptr<AboutWindow> about_;

public:
    // Makes the hidden application window that owns the windows without a taskbar button.
    // `version` is "major.minor.patch".
    Windows(std::wstring programFolder, const std::wstring& version);
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    WaitWindow& Wait();
    ResultWindow& Result();
    AboutWindow& About();
    // Whether the About window has been made: a run that never shows it makes none.
    bool AboutMade() const { return about_ != nullptr; }

    // Shows the About window modally; returns once it has closed.
    void ShowAbout();
    // Runs the screen effect with preset 0 on a window made for this run; returns once it has
    // ended.
    void RunScreenEffect();
    // Puts the result text into the result window, hides the wait window and shows the result
    // modally; returns once it has closed, or at once when it was closed before its show.
    void ShowResult(const std::wstring& text);
    // The end of a run: unloads the About, wait and result windows, in that order. A window that
    // was never made or is not loaded is left alone.
    void UnloadAll();
};

// One run from the wait window to the closed result window, on the drive that `arguments` (the
// command line without the program's name) names; the process's exit code.
int Run(const std::wstring& arguments);

// The program: the whole run, then the end of the process with the run's exit code.
[[noreturn]] void Main();

}  // namespace app

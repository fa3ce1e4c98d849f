#pragma once
// The wait window: a title-less window that plays a looping clip while the drive is flushed.

#include <string>

#include "win/animation.h"
#include "win/form.h"

namespace app {

class WaitWindow : public win::Form {
public:
    explicit WaitWindow(std::wstring clipPath);

    // Shows the window and starts its clip. A missing or unplayable clip leaves the window
    // empty; the run goes on.
    void Start();

private:
    void CreateControls() override;
    void OnUnload() override;

    const std::wstring clipPath_;
    win::Animation clip_;
};

}  // namespace app

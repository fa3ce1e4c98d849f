#pragma once
// The wait window: a title-less window that plays a looping clip while the drive is flushed.

#include "ui/animation.h"
#include "ui/form.h"

namespace forms {

class frmAttendere : public ui::Form {
public:
    frmAttendere();

    // Shows the window and starts its clip. A missing or unplayable clip leaves the window
    // empty; the run goes on.
    void Inizio();

private:
    void CreateControls() override;
    void OnUnload() override;

    ui::Animation Animation1;
};

}  // namespace forms

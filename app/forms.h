#pragma once
// The program's form references: one per window kind, created on first reference.

#include "ui/form.h"

namespace forms {
class frmAttendere;
class frmFine;
class frmAbout;
}  // namespace forms

namespace effect {
class frmGraphics;
}  // namespace effect

namespace app {

struct Forms {
    Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    ui::FormRef<forms::frmAttendere> frmAttendere;
    ui::FormRef<forms::frmFine> frmFine;
    ui::FormRef<forms::frmAbout> frmAbout;
    ui::FormRef<effect::frmGraphics> frmGraphics;

    // The end of a run: unloads the windows (About, wait, result, in that order) and drops the
    // references. A window that was never created or is not loaded is left alone.
    void UnloadAll();
};

}  // namespace app

#pragma once
// The program's form references: one per window kind, created on first reference.

#include "ui/form.h"

namespace forms {
class frmAttendere;
class frmFine;
}  // namespace forms

namespace app {

struct Forms {
    Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    ui::FormRef<forms::frmAttendere> frmAttendere;
    ui::FormRef<forms::frmFine> frmFine;
};

}  // namespace app

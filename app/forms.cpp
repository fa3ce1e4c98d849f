#include "app/forms.h"

#include "forms/frmAttendere.h"
#include "forms/frmFine.h"

namespace app {

Forms::Forms()
    : frmAttendere([] { return std::make_shared<forms::frmAttendere>(); }),
      frmFine([this] { return std::make_shared<forms::frmFine>(*this); }) {}

void Forms::UnloadAll() {
    if (frmAttendere.Exists()) frmAttendere->Unload();
    if (frmFine.Exists()) frmFine->Unload();
    frmAttendere.Drop();
    frmFine.Drop();
}

}  // namespace app

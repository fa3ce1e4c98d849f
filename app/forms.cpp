#include "app/forms.h"

#include "effect/frmGraphics.h"
#include "forms/frmAbout.h"
#include "forms/frmAttendere.h"
#include "forms/frmFine.h"

namespace app {

Forms::Forms()
    : frmAttendere([] { return std::make_shared<forms::frmAttendere>(); }),
      frmFine([this] { return std::make_shared<forms::frmFine>(*this); }),
      frmAbout([this] { return std::make_shared<forms::frmAbout>(*this); }),
      frmGraphics([this] { return std::make_shared<effect::frmGraphics>(frmGraphics); }) {}

void Forms::UnloadAll() {
    if (frmAbout.Exists()) frmAbout->Unload();
    if (frmAttendere.Exists()) frmAttendere->Unload();
    if (frmFine.Exists()) frmFine->Unload();
    frmAbout.Drop();
    frmAttendere.Drop();
    frmFine.Drop();
}

}  // namespace app

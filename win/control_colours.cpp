#include "win/control_colours.h"

namespace win {

namespace {
constexpr wchar_t kOwnColoursProperty[] = L"win::OwnColours";
}  // namespace

void SetOwnColours(HWND control, OwnColours* colours) {
    if (colours) {
        SetPropW(control, kOwnColoursProperty, colours);
    } else {
        RemovePropW(control, kOwnColoursProperty);
    }
}

OwnColours* OwnColoursOf(HWND control) {
    return control ? static_cast<OwnColours*>(GetPropW(control, kOwnColoursProperty)) : nullptr;
}

}  // namespace win

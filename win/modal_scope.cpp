#include "win/modal_scope.h"

#include "win/failure.h"

namespace win {

namespace {

struct Enumeration {
    HWND modal;
    ModalScope::Filter belongsToProgram;
    std::vector<HWND>* disabled;
};

}  // namespace

ModalScope::ModalScope(HWND modal, Filter belongsToProgram) {
    Enumeration enumeration{modal, belongsToProgram, &disabled_};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM context) -> BOOL {
            return Guarded([&] {
                const auto& e = *reinterpret_cast<Enumeration*>(context);
                if (hwnd != e.modal && IsWindowEnabled(hwnd) && e.belongsToProgram(hwnd)) {
                    e.disabled->push_back(hwnd);
                    EnableWindow(hwnd, FALSE);
                }
                return TRUE;
            });
        },
        reinterpret_cast<LPARAM>(&enumeration));
}

ModalScope::~ModalScope() {
    for (HWND hwnd : disabled_) {
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    }
}

}  // namespace win

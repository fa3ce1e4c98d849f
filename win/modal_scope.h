#pragma once
// What a modal show does to the program's other windows: they take no input while the modal
// window is up, and get it back before that window goes.

#include <windows.h>

#include <vector>

namespace win {

// Disables the thread's other enabled windows that `belongsToProgram` accepts for as long as the
// scope lasts. End it before the modal window is destroyed, so that one of them can take the
// activation when the modal one goes.
class ModalScope {
public:
    using Filter = bool (*)(HWND);
    ModalScope(HWND modal, Filter belongsToProgram);
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    ~ModalScope();

private:
    std::vector<HWND> disabled_;
};

}  // namespace win

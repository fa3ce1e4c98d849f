#include "core/device_path.h"

namespace core {

std::wstring DevicePath(std::wstring_view arguments) {
    return L"\\\\.\\" + std::wstring(arguments.substr(0, 2));
}

}  // namespace core

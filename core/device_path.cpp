#include "core/device_path.h"

namespace core {

std::wstring DevicePath(std::wstring_view arguments) {
    return L"\\\\.\\" + std::wstring(arguments.substr(0, 2));
}

std::wstring FlushReason(std::wstring_view arguments) {
    const std::wstring_view drive = arguments.substr(0, 2);
    if (drive.empty()) return L"Writing out what Windows caches for the drive";
    return L"Writing out what Windows caches for " + std::wstring(drive);
}

}  // namespace core

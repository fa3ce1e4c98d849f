#include "app/volume.h"


namespace app {

namespace {
int32_t CapturedError() { return static_cast<int32_t>(GetLastError()); }
}  // namespace

bool Win32Volume::Open(const std::wstring& devicePath) {
    // The path goes to the system as it is: an ANSI conversion would turn a lookalike letter
    // ("ｅ:") into a real drive ("e:") that the user never named.
    HANDLE h = CreateFileW(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_FLAG_NO_BUFFERING, nullptr);
    lastError_ = CapturedError();
    handle_.reset(h);
    return handle_.valid();
}

bool Win32Volume::Flush() {
    const BOOL ok = FlushFileBuffers(handle_.get());
    lastError_ = CapturedError();
    return ok != FALSE;
}

bool Win32Volume::Close() {
    const bool ok = win::CloseNow(handle_);
    lastError_ = CapturedError();
    return ok;
}

}  // namespace app

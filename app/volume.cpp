#include "app/volume.h"


namespace app {

namespace {
int32_t CapturedError() { return static_cast<int32_t>(GetLastError()); }
}  // namespace

bool Win32Volume::Open(const std::wstring& devicePath) {
    // The path goes to the system as it is: an ANSI conversion would turn a lookalike letter
    // ("ｅ:") into a real drive ("e:") that the user never named.
    //
    // A volume opened for writing without FILE_SHARE_WRITE is an exclusive open, which the file
    // system refuses (sharing violation) while anything on the volume is open: an Explorer
    // window on the stick, a prompt in one of its folders. CreateFile's documentation for
    // volumes asks for both share modes and OPEN_EXISTING; the flush still writes out every
    // file of the volume.
    HANDLE h = CreateFileW(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
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

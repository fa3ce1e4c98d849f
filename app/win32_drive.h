#pragma once
// The drive sequence's system calls on a real volume.

#include "app/flush_sequence.h"
#include "ui/handles.h"

namespace app {

class Win32Drive : public DriveDevice {
public:
    // CreateFileW: read/write access, shared for reading only (other writers are kept out while
    // the handle is open), OPEN_ALWAYS, unbuffered.
    bool Open(const std::wstring& devicePath) override;
    bool Flush() override;
    bool Close() override;
    int32_t LastError() const override { return lastError_; }

private:
    ui::UniqueFile handle_;
    int32_t lastError_ = 0;
};

}  // namespace app

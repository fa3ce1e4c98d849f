#pragma once
// The flush sequence's system calls on a real volume device.

#include "core/flush_sequence.h"
#include "win/handles.h"

namespace app {

class Win32Volume : public core::Volume {
public:
    // CreateFileW: read/write access, shared for reading only (other writers are kept out while
    // the handle is open), OPEN_ALWAYS, unbuffered.
    bool Open(const std::wstring& devicePath) override;
    bool Flush() override;
    bool Close() override;
    int32_t LastError() const override { return lastError_; }

private:
    win::UniqueFile handle_;
    int32_t lastError_ = 0;
};

}  // namespace app

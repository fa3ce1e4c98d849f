#pragma once
// The flush sequence's system calls on a real volume device.

#include "core/flush_sequence.h"
#include "win/handles.h"

namespace app {

class Win32Volume : public core::Volume {
public:
    // CreateFileW: read/write access, shared for reading and writing (as a volume must be:
    // volume.cpp), OPEN_EXISTING, unbuffered.
    bool Open(const std::wstring& devicePath) override;
    bool Flush() override;
    bool Close() override;
    int32_t LastError() const override { return lastError_; }

private:
    win::UniqueFile handle_;
    int32_t lastError_ = 0;
};

}  // namespace app

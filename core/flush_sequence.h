#pragma once
// The flush sequence: open the volume, flush it five times, close it.

#include <cstdint>
#include <string>

namespace core {

// The system calls the sequence makes, so that tests can fail any one of them.
class Volume {
public:
    virtual ~Volume() = default;
    // Opens the device for reading and writing; false when it did not open.
    [[nodiscard]] virtual bool Open(const std::wstring& devicePath) = 0;
    [[nodiscard]] virtual bool Flush() = 0;
    [[nodiscard]] virtual bool Close() = 0;
    // The thread's last-error value right after the most recent call above.
    virtual int32_t LastError() const = 0;
};

// The stage at which the sequence stopped, shown as the "internal error code": 1 the open
// failed, 2..6 the k-th flush failed (k + 1), 7 the close failed, 8 every step succeeded.
inline constexpr int kStageOpen = 1;
inline constexpr int kStageClose = 7;
inline constexpr int kStageDone = 8;
inline constexpr int kFlushCount = 5;

struct FlushOutcome {
    int stage = kStageOpen;
    int32_t lastError = 0;  // captured right after the call that failed; 0 after a full success
};

// Runs the whole sequence. A failed flush still closes the device, so that the volume is not
// held locked while the result is shown; the outcome stays that of the failed flush.
FlushOutcome RunFlushSequence(Volume& volume, const std::wstring& devicePath);

// The process exit code: 0 after a complete success, otherwise the stage.
int ExitCodeFor(const FlushOutcome& outcome);

}  // namespace core

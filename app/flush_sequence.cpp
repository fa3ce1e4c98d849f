#include "app/flush_sequence.h"

namespace app {

FlushOutcome RunFlushSequence(DriveDevice& device, const std::wstring& devicePath) {
    FlushOutcome outcome;
    outcome.internalCode = kCodeOpen;
    if (!device.Open(devicePath)) {
        outcome.lastError = device.LastError();
        return outcome;
    }
    for (int k = 1; k <= kFlushCount; ++k) {
        outcome.internalCode = k + 1;
        if (!device.Flush()) {
            outcome.lastError = device.LastError();
            // The close's own result is not reported: the run already stopped at the flush.
            (void)device.Close();
            return outcome;
        }
    }
    outcome.internalCode = kCodeClose;
    if (!device.Close()) {
        outcome.lastError = device.LastError();
        return outcome;
    }
    // A successful open leaves "already exists" behind; a complete success reports no error.
    outcome.internalCode = kCodeDone;
    outcome.lastError = 0;
    return outcome;
}

int ExitCodeFor(const FlushOutcome& outcome) {
    return outcome.internalCode == kCodeDone ? 0 : outcome.internalCode;
}

}  // namespace app

#include "core/flush_sequence.h"

namespace core {

FlushOutcome RunFlushSequence(Volume& volume, const std::wstring& devicePath) {
    FlushOutcome outcome;
    outcome.stage = kStageOpen;
    if (!volume.Open(devicePath)) {
        outcome.lastError = volume.LastError();
        return outcome;
    }
    for (int k = 1; k <= kFlushCount; ++k) {
        outcome.stage = k + 1;
        if (!volume.Flush()) {
            outcome.lastError = volume.LastError();
            // The close's own result is not reported: the run already stopped at the flush.
            (void)volume.Close();
            return outcome;
        }
    }
    outcome.stage = kStageClose;
    if (!volume.Close()) {
        outcome.lastError = volume.LastError();
        return outcome;
    }
    // A call that succeeded may have left an unrelated error behind; a complete success reports
    // no error.
    outcome.stage = kStageDone;
    outcome.lastError = 0;
    return outcome;
}

int ExitCodeFor(const FlushOutcome& outcome) {
    return outcome.stage == kStageDone ? 0 : outcome.stage;
}

}  // namespace core

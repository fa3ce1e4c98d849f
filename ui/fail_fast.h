#pragma once
// How the program ends on an internal failure (an error nothing handles): through the platform's
// fail-fast report, never through abort(), whose exit code 3 would read as a stage of the flush.

namespace ui {

// Ends the process at once with the platform's fail-fast report (exit code 0xC0000409).
[[noreturn]] void FailFast();

// Routes every other way out of an unhandled error (std::terminate, abort) to FailFast.
void EndInternalFailuresFast();

}  // namespace ui

#include "core/flush_sequence.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A volume whose n-th call (1 = open, 2..6 = flushes, 7 = close) can fail with a given error.
// Like the real system, a successful call may leave an unrelated error behind (here 183), and
// later successes keep it.
class FakeVolume : public core::Volume {
public:
    int failAtCall = 0;
    int32_t failError = 0;
    bool closeAlsoFails = false;

    std::vector<std::string> calls;
    std::wstring openedPath;
    int opens = 0, closes = 0;

    bool Open(const std::wstring& path) override {
        calls.push_back("open");
        openedPath = path;
        if (Fails()) return false;
        ++opens;
        last_ = 183;
        return true;
    }
    bool Flush() override {
        calls.push_back("flush");
        EXPECT_EQ(opens - closes, 1) << "flush on a handle that is not open";
        return !Fails();
    }
    bool Close() override {
        calls.push_back("close");
        EXPECT_EQ(opens - closes, 1) << "close of a handle that is not open";
        ++closes;
        if (closeAlsoFails) { last_ = 6; return false; }
        return !Fails();
    }
    int32_t LastError() const override { return last_; }

private:
    bool Fails() {
        if (static_cast<int>(calls.size()) != failAtCall) return false;
        last_ = failError;
        return true;
    }
    int32_t last_ = 0;
};

TEST(FlushSequence, CompleteSuccessReportsNoErrorDespiteTheOpensLeftover) {
    FakeVolume volume;
    const core::FlushOutcome out = core::RunFlushSequence(volume, L"\\\\.\\E:");
    EXPECT_EQ(out.stage, 8);
    EXPECT_EQ(out.lastError, 0);
    EXPECT_EQ(core::ExitCodeFor(out), 0);
    EXPECT_EQ(volume.openedPath, L"\\\\.\\E:");
    EXPECT_EQ(volume.calls, (std::vector<std::string>{"open", "flush", "flush", "flush", "flush",
                                                      "flush", "close"}));
    EXPECT_EQ(volume.closes, 1);
}

TEST(FlushSequence, FailedOpenStopsAtStageOneWithTheOpensError) {
    FakeVolume volume;
    volume.failAtCall = 1;
    volume.failError = 2;
    const core::FlushOutcome out = core::RunFlushSequence(volume, L"\\\\.\\Q:");
    EXPECT_EQ(out.stage, 1);
    EXPECT_EQ(out.lastError, 2);
    EXPECT_EQ(core::ExitCodeFor(out), 1);
    EXPECT_EQ(volume.calls, std::vector<std::string>{"open"});
    EXPECT_EQ(volume.closes, 0);
}

TEST(FlushSequence, EachFailedFlushStopsAtItsStageAndStillClosesOnce) {
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        FakeVolume volume;
        volume.failAtCall = 1 + k;
        volume.failError = 20 + k;
        volume.closeAlsoFails = (k % 2 == 0);  // the close's own outcome must not leak through
        const core::FlushOutcome out = core::RunFlushSequence(volume, L"\\\\.\\E:");
        EXPECT_EQ(out.stage, k + 1);
        EXPECT_EQ(out.lastError, 20 + k);
        EXPECT_EQ(core::ExitCodeFor(out), k + 1);
        EXPECT_EQ(static_cast<int>(volume.calls.size()), 1 + k + 1);
        EXPECT_EQ(volume.calls.back(), "close");
        EXPECT_EQ(volume.closes, 1);
    }
}

TEST(FlushSequence, FailedCloseIsStageSevenWithTheClosesError) {
    FakeVolume volume;
    volume.failAtCall = 7;
    volume.failError = 6;
    const core::FlushOutcome out = core::RunFlushSequence(volume, L"\\\\.\\E:");
    EXPECT_EQ(out.stage, 7);
    EXPECT_EQ(out.lastError, 6);
    EXPECT_EQ(core::ExitCodeFor(out), 7);
    EXPECT_EQ(volume.closes, 1);
}

TEST(FlushSequence, FailureWithErrorZeroIsStillAFailure) {
    FakeVolume volume;
    volume.failAtCall = 3;
    volume.failError = 0;
    const core::FlushOutcome out = core::RunFlushSequence(volume, L"\\\\.\\E:");
    EXPECT_EQ(out.stage, 3);
    EXPECT_EQ(out.lastError, 0);
    EXPECT_EQ(core::ExitCodeFor(out), 3);
}

}  // namespace

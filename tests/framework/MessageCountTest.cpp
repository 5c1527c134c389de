// Message counts beyond 32 bits: one warp can meet "Too TINY" billions of times, and the bulk
// form of the message box reports them in one call.
#include <gtest/gtest.h>

#include <cstdint>

#include "TestSupport.h"
#include "framework/Services.h"

namespace {

constexpr std::int64_t k2To31 = std::int64_t(1) << 31;

TEST(MessageCounts, BulkFormInAScopeShowsOnceAndCountsPast32Bits) {
    CRecordingSinks sinks;
    {
        CMessageScope scope;
        ShowMessageBox("Too TINY", 3 * k2To31); // first met: shown once, counted in full
        ShowMessageBox("Too TINY");
        ShowMessageBox("Too TINY", k2To31);
        ShowMessageBox("Error", 0); // nothing happened: no entry
        ShowMessageBox("Error", -7);
        EXPECT_EQ(scope.GetCount("Too TINY"), 4 * k2To31 + 1);
        const std::vector<CMessageScope::Entry> entries = scope.GetEntries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].nCount, 4 * k2To31 + 1);
        {
            CMessageScope inner; // a new operation counts on its own
            ShowMessageBox("Too TINY", 5);
            EXPECT_EQ(inner.GetCount("Too TINY"), 5);
        }
        EXPECT_EQ(scope.GetCount("Too TINY"), 4 * k2To31 + 1);
    }
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY", "Too TINY"}));
}

TEST(MessageCounts, BulkFormOutsideAScopeIsTheSingleCallsInARow) {
    CRecordingSinks sinks;
    ShowMessageBox("Too TINY", 3);
    ShowMessageBox("Too TINY", 0);
    EXPECT_EQ(sinks.messages, (std::vector<std::string>(3, "Too TINY")));
}

TEST(MessageCounts, CountStopsAtTheLargestValueInsteadOfWrapping) {
    CRecordingSinks sinks;
    CMessageScope scope;
    ShowMessageBox("Too TINY", INT64_MAX - 1);
    ShowMessageBox("Too TINY", 5);
    ShowMessageBox("Too TINY");
    EXPECT_EQ(scope.GetCount("Too TINY"), INT64_MAX);
}

} // namespace

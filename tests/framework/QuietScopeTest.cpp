// The quiet scope of background work and the scopes' thread rules: a scope counts the reports
// of its own thread (and of helpers handed its reports), never those of another thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "framework/Services.h"

namespace {

// The two forms of a report: single calls and the bulk form.
void ShowTwoOfEachForm() {
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
    ShowMessageBox("Wrong Zone id", 5);
    ShowMessageBox("Wrong Zone id", 0); // no occurrence
}

TEST(QuietScope, CountsBothFormsAndShowsNothingNorReachesAnOuterScope) {
    CRecordingSinks sinks;
    CMessageScope outer;
    {
        CQuietScope quiet;
        ShowTwoOfEachForm();
        ShowMessageBox("Too TINY", std::int64_t(3) << 31);
        const std::vector<CQuietScope::Entry> entries = quiet.GetEntries();
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].strText, "Too TINY");
        EXPECT_EQ(entries[0].nCount, 2 + (std::int64_t(3) << 31));
        EXPECT_EQ(entries[1].strText, "Wrong Zone id");
        EXPECT_EQ(entries[1].nCount, 5);
        EXPECT_EQ(quiet.GetCount("Error"), 0);
    }
    EXPECT_TRUE(sinks.messages.empty());
    EXPECT_TRUE(outer.GetEntries().empty());
    ShowMessageBox("Too TINY"); // the quiet scope is closed: the outer scope shows it
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY"}));
    EXPECT_EQ(outer.GetCount("Too TINY"), 1);
}

TEST(QuietScope, NestsWithTheInnermostCountingAndMessageScopesInsideStayingQuiet) {
    CRecordingSinks sinks;
    CQuietScope outerQuiet;
    ShowMessageBox("A");
    {
        CQuietScope innerQuiet;
        ShowMessageBox("B");
        EXPECT_EQ(innerQuiet.GetCount("B"), 1);
    }
    {
        // An operation's own scope inside the quiet one (a warp's) still counts for its report;
        // the quiet scope counts the same messages and nothing is shown.
        CMessageScope operation;
        ShowMessageBox("C");
        ShowMessageBox("C", 4);
        EXPECT_EQ(operation.GetCount("C"), 5);
        EXPECT_EQ(operation.GetCount("A"), 0);
    }
    EXPECT_EQ(outerQuiet.GetCount("A"), 1);
    EXPECT_EQ(outerQuiet.GetCount("B"), 0);
    EXPECT_EQ(outerQuiet.GetCount("C"), 5);
    EXPECT_TRUE(sinks.messages.empty());
}

TEST(QuietScope, WorkerThreadIsQuietWhileTheMainThreadKeepsItsScope) {
    CRecordingSinks sinks;
    CMessageScope mainScope;
    std::vector<CQuietScope::Entry> workerEntries;
    std::thread worker([&] {
        CQuietScope quiet;
        ShowTwoOfEachForm();
        workerEntries = quiet.GetEntries();
    });
    worker.join();
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
    ASSERT_EQ(workerEntries.size(), 2u);
    EXPECT_EQ(workerEntries[0].nCount, 2);
    EXPECT_EQ(workerEntries[1].nCount, 5);
    // The main thread is not affected: its first message is shown, both are counted there.
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY"}));
    EXPECT_EQ(mainScope.GetCount("Too TINY"), 2);
    EXPECT_EQ(mainScope.GetCount("Wrong Zone id"), 0);
}

TEST(QuietScope, AQuietMainThreadLeavesOtherThreadsAlone) {
    CRecordingSinks sinks;
    CQuietScope quiet;
    std::thread worker([] {
        ShowMessageBox("Error");
        CMessageScope own;
        ShowMessageBox("Error");
        ShowMessageBox("Error");
    });
    worker.join();
    EXPECT_EQ(quiet.GetCount("Error"), 0);
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Error", "Error"}));
}

TEST(QuietScope, MessageScopeCountsOnlyItsOwnThread) {
    CRecordingSinks sinks;
    CMessageScope mainScope;
    ShowMessageBox("Error");
    std::thread worker([] { ShowMessageBox("Error"); });
    worker.join();
    EXPECT_EQ(mainScope.GetCount("Error"), 1);
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Error", "Error"}));
}

TEST(QuietScope, HelperThreadsReportIntoTheScopesHandedToThem) {
    CRecordingSinks sinks;
    CQuietScope quiet;
    CMessageScope operation;
    const ReportContext context = GetReportContext();
    std::vector<std::thread> helpers;
    for (int i = 0; i < 3; ++i)
        helpers.emplace_back([context] {
            const CReportHandover handover(context);
            for (int k = 0; k < 1000; ++k)
                ShowMessageBox("Too TINY");
            MORROW_ASSERT(context.pChain == nullptr);
        });
    for (std::thread& helper : helpers)
        helper.join();
    // After the handover the helper's reports are its own again.
    std::thread after([context] {
        { const CReportHandover handover(context); }
        ShowMessageBox("Error");
    });
    after.join();
    EXPECT_EQ(operation.GetCount("Too TINY"), 3000);
    EXPECT_EQ(quiet.GetCount("Too TINY"), 3000);
    EXPECT_EQ(quiet.GetCount("Error"), 0);
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Error"}));
    // The three failures of one place are traced once, in the operation's scope.
    EXPECT_EQ(sinks.AssertionCount(), 1);
}

} // namespace

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "framework/Services.h"

TEST(Services, TraceFormatsLikePrintfAndKeepsLineEnds) {
    CRecordingSinks sinks;
    TraceLine("can't open datafile %s!", "a b.txt");
    TraceLine("SwapBuffers Failed! %d\r\n", 5);
    std::string strLong(3000, 'x');
    TraceLine("%s", strLong.c_str());
    ASSERT_EQ(sinks.traces.size(), 3u);
    EXPECT_EQ(sinks.traces[0], "can't open datafile a b.txt!");
    EXPECT_EQ(sinks.traces[1], "SwapBuffers Failed! 5\r\n");
    EXPECT_EQ(sinks.traces[2], strLong);
    EXPECT_TRUE(sinks.messages.empty());
}

TEST(Services, AssertionNamesFileAndLineAndCarriesOn) {
    CRecordingSinks sinks;
    int nAfter = 0;
    MORROW_ASSERT(1 + 1 == 3);
    const int nLine = __LINE__ - 1;
    ++nAfter;
    MORROW_ASSERT(2 + 2 == 4);
    EXPECT_EQ(nAfter, 1);
    ASSERT_EQ(sinks.traces.size(), 1u);
    EXPECT_EQ(sinks.traces[0], "Assertion failed: 1 + 1 == 3, file ServicesTest.cpp, line " +
                                   std::to_string(nLine) + "\n");
    EXPECT_EQ(sinks.AssertionCount(), 1);
}

TEST(Services, OutsideAScopeEveryMessageIsShown) {
    CRecordingSinks sinks;
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY", "Too TINY"}));
}

TEST(Services, ScopeShowsEachTextOnceAndCountsAll) {
    CRecordingSinks sinks;
    {
        CMessageScope scope;
        for (int i = 0; i < 5; ++i)
            ShowMessageBox("Too TINY");
        ShowMessageBox("Error");
        ShowMessageBox("Too TINY");
        {
            CMessageScope inner;
            ShowMessageBox("Error"); // a new operation: shown again, counted in the inner scope
            EXPECT_EQ(inner.GetCount("Error"), 1);
        }
        ShowMessageBox("Error");
        const std::vector<CMessageScope::Entry> entries = scope.GetEntries();
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].strText, "Too TINY");
        EXPECT_EQ(entries[0].nCount, 6);
        EXPECT_EQ(entries[1].strText, "Error");
        EXPECT_EQ(entries[1].nCount, 2);
        EXPECT_EQ(scope.GetCount("Wrong Zone id"), 0);
    }
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY", "Error", "Error"}));
    ShowMessageBox("Too TINY"); // the scope is closed: shown again
    EXPECT_EQ(sinks.messages.size(), 4u);
}

// A quiet scope, and any scope opened inside it, counts every message but shows none; the
// scope around it is not told either. (A second warp of a move whose messages were shown.)
TEST(Services, QuietScopeAroundAMoveCountsAndShowsNothing) {
    CRecordingSinks sinks;
    {
        CMessageScope outer;
        {
            CQuietScope quiet;
            ShowMessageBox("Too TINY");
            ShowMessageBox("Too TINY", 4);
            {
                CMessageScope inner; // the move constructors open one of their own
                ShowMessageBox("Error");
                EXPECT_EQ(inner.GetCount("Error"), 1);
            }
            EXPECT_EQ(quiet.GetCount("Too TINY"), 5);
            EXPECT_EQ(quiet.GetCount("Error"), 1); // what the inner scope counted, too
        }
        EXPECT_EQ(outer.GetCount("Too TINY"), 0);
        EXPECT_TRUE(sinks.messages.empty());
        ShowMessageBox("Too TINY"); // the quiet scope is closed: the outer one shows again
    }
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY"}));
}

TEST(Services, AssertionRepeatedInAScopeIsTracedOnceWithItsCount) {
    CRecordingSinks sinks;
    int nLine = 0;
    {
        CMessageScope scope;
        for (int i = 0; i < 1000; ++i) {
            MORROW_ASSERT(i < 0);
            nLine = __LINE__ - 1;
        }
        MORROW_ASSERT(false); // another place: traced on its own
    }
    MORROW_ASSERT(1 < 0); // outside any scope: every failure is traced
    const std::string strSite = "ServicesTest.cpp, line " + std::to_string(nLine);
    ASSERT_EQ(sinks.traces.size(), 4u);
    EXPECT_EQ(sinks.traces[0], "Assertion failed: i < 0, file ServicesTest.cpp, line " +
                                   std::to_string(nLine) + "\n");
    EXPECT_EQ(sinks.traces[1].rfind("Assertion failed: false,", 0), 0u);
    EXPECT_EQ(sinks.traces[2],
              "Assertion at " + strSite + " failed 1000 times in this operation\n");
    EXPECT_EQ(sinks.traces[3].rfind("Assertion failed: 1 < 0,", 0), 0u);
    EXPECT_EQ(sinks.AssertionCount(), 3);
}

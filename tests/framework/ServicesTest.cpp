#include <gtest/gtest.h>

#include "TestSupport.h"
#include "framework/Services.h"

TEST(Services, TraceFormatsLikePrintfAndKeepsLineEnds)
{
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

TEST(Services, AssertionNamesFileAndLineAndCarriesOn)
{
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

TEST(Services, OutsideAScopeEveryMessageIsShown)
{
    CRecordingSinks sinks;
    ShowMessageBox("Too TINY");
    ShowMessageBox("Too TINY");
    EXPECT_EQ(sinks.messages, (std::vector<std::string>{"Too TINY", "Too TINY"}));
}

TEST(Services, ScopeShowsEachTextOnceAndCountsAll)
{
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

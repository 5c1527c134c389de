// The parallel warp's own parts: the split of the window's rows into bands, the thread count
// setting, and a "Too TINY" count beyond 32 bits carried into the warp report.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "WarpFixture.h"
#include "framework/Services.h"
#include "warp/ParallelWarp.h"
#include "warp/Warp.h"

namespace {

// The per-row work differences of boxes (first row, last row, width; rows of the window
// 0..nHeight-1), dealt to nThreads vectors in turn as the preparing threads would.
std::vector<std::vector<double>> RowDeltas(const std::vector<std::vector<int>>& boxes, int nHeight,
                                           unsigned nThreads) {
    std::vector<std::vector<double>> deltas(nThreads,
                                            std::vector<double>(size_t(nHeight) + 1, 0.0));
    for (size_t i = 0; i < boxes.size(); ++i) {
        std::vector<double>& delta = deltas[i % nThreads];
        delta[size_t(boxes[i][0])] += boxes[i][2];
        delta[size_t(boxes[i][1]) + 1] -= boxes[i][2];
    }
    return deltas;
}

// Bands that start at the window's first row, end past its last, follow each other without
// gap or overlap, number at most nBands, and (when there are several) hold 32 rows or more.
::testing::AssertionResult CoversTheRows(const std::vector<int>& firstRows, int nBandsMade,
                                         int nYOff, int nHeight, unsigned nBands) {
    if (nBandsMade < 1 || size_t(nBandsMade) + 1 != firstRows.size())
        return ::testing::AssertionFailure()
               << nBandsMade << " bands, " << firstRows.size() << " boundaries";
    if (firstRows.front() != nYOff || firstRows.back() != nYOff + nHeight)
        return ::testing::AssertionFailure()
               << "rows " << firstRows.front() << " to " << firstRows.back();
    if (unsigned(nBandsMade) > std::max(nBands, 1u))
        return ::testing::AssertionFailure() << nBandsMade << " bands of " << nBands << " asked";
    for (int i = 0; i < nBandsMade; ++i) {
        const int nRows = firstRows[size_t(i) + 1] - firstRows[size_t(i)];
        if (nRows <= 0 || (nBandsMade > 1 && nRows < 32))
            return ::testing::AssertionFailure() << "band " << i << " has " << nRows << " rows";
    }
    return ::testing::AssertionSuccess();
}

TEST(BandSplit, LowWindowsOrOneThreadGiveOneBand) {
    struct Case {
        unsigned nBands;
        int nHeight;
    };
    // One band asked (or none), a window too low for two bands of 32 rows, and one row.
    const Case cases[] = {{1, 500}, {0, 500}, {8, 63}, {8, 1}, {2, 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nBands) + " bands, " + std::to_string(c.nHeight) + " rows");
        std::vector<int> firstRows;
        const auto deltas = RowDeltas({{0, c.nHeight - 1, 7}}, c.nHeight, 2);
        EXPECT_EQ(SplitRows(deltas, -17, c.nHeight, c.nBands, firstRows), 1);
        EXPECT_EQ(firstRows, (std::vector<int>{-17, -17 + c.nHeight}));
    }
}

TEST(BandSplit, MoreBandsThanRowsKeepsBandsOfAtLeast32Rows) {
    for (int nHeight : {64, 65, 100, 200, 1000}) {
        SCOPED_TRACE(std::to_string(nHeight) + " rows");
        std::vector<int> firstRows;
        const auto deltas = RowDeltas({{0, nHeight - 1, 3}}, nHeight, 3);
        const int nMade = SplitRows(deltas, 40, nHeight, 100000, firstRows);
        EXPECT_TRUE(CoversTheRows(firstRows, nMade, 40, nHeight, 100000));
        EXPECT_EQ(nMade, nHeight / 32);
    }
}

TEST(BandSplit, BandsHoldEqualWorkNotEqualRows) {
    // Rows 0..199 of width 10, rows 200..599 of width 5: half the work lies in the first third.
    const std::vector<std::vector<int>> boxes = {{0, 199, 4}, {0, 199, 6}, {200, 599, 5}};
    const auto deltas = RowDeltas(boxes, 600, 2);
    struct Case {
        unsigned nBands;
        std::vector<int> firstRows;
    };
    const Case cases[] = {
        {2, {1000, 1200, 1600}},
        {4, {1000, 1100, 1200, 1400, 1600}},
        {5, {1000, 1080, 1160, 1280, 1440, 1600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nBands) + " bands");
        std::vector<int> firstRows;
        EXPECT_EQ(SplitRows(deltas, 1000, 600, c.nBands, firstRows), int(c.nBands));
        EXPECT_EQ(firstRows, c.firstRows);
    }
}

TEST(BandSplit, RandomBoxesAreCoveredAndBalanced) {
    for (unsigned nSeed = 1; nSeed <= 40; ++nSeed) {
        std::mt19937 random(nSeed);
        const int nHeight = 1 + int(random() % 900);
        const unsigned nBands = 1 + random() % 12;
        std::vector<std::vector<int>> boxes;
        const int nBoxes = int(random() % 300);
        for (int i = 0; i < nBoxes; ++i) {
            const int nLo = int(random() % unsigned(nHeight));
            const int nHi =
                nLo + int(random() % unsigned(std::min(nHeight - nLo, 1 + nHeight / 5)));
            boxes.push_back({nLo, nHi, 1 + int(random() % 50)});
        }
        const auto deltas = RowDeltas(boxes, nHeight, 1 + random() % 8);
        SCOPED_TRACE("seed " + std::to_string(nSeed) + ": " + std::to_string(nHeight) + " rows, " +
                     std::to_string(nBands) + " bands");
        std::vector<int> firstRows;
        const int nMade = SplitRows(deltas, -5, nHeight, nBands, firstRows);
        ASSERT_TRUE(CoversTheRows(firstRows, nMade, -5, nHeight, nBands));
        // A band ends at the first row where the work so far reaches its share (or later,
        // when its 32 rows are not complete yet): no band but the last ends before its share.
        std::vector<double> rowWork(size_t(nHeight), 0.0);
        for (const std::vector<int>& box : boxes)
            for (int r = box[0]; r <= box[1]; ++r)
                rowWork[size_t(r)] += box[2];
        double dTotal = 0.0;
        for (double d : rowWork)
            dTotal += d;
        double dSeen = 0.0;
        int nBand = 1;
        for (int r = 0; r < nHeight && nBand < nMade; ++r) {
            dSeen += rowWork[size_t(r)];
            if (-5 + r + 1 == firstRows[size_t(nBand)]) {
                EXPECT_GE(dSeen * nBands, dTotal * nBand) << "band " << nBand - 1;
                ++nBand;
            }
        }
    }
}

TEST(WarpThreads, ThreadCountIsSetClampedAndAutomaticByDefault) {
    const unsigned nAutomatic = GetWarpThreads();
    EXPECT_GE(nAutomatic, 1u);
    EXPECT_LE(nAutomatic, kMaxWarpThreads);
    SetWarpThreads(3);
    EXPECT_EQ(GetWarpThreads(), 3u);
    SetWarpThreads(100000);
    EXPECT_EQ(GetWarpThreads(), kMaxWarpThreads);
    SetWarpThreads(0);
    EXPECT_EQ(GetWarpThreads(), nAutomatic);
}

TEST(WarpThreads, EnvironmentValuesThatAreNotPositiveIntegersAreIgnored) {
    struct Case {
        const char* pszValue;
        unsigned nThreads;
    };
    const Case cases[] = {
        {"1", 1},
        {"8", 8},
        {" 3 ", 3},
        {"007", 7},
        {"64", 64},
        {"65", 64},
        {"1000000000000000000000", 64},
        {"", 0},
        {"0", 0},
        {"-2", 0},
        {"+2", 0},
        {"2.5", 0},
        {"4 threads", 0},
        {"abc", 0},
        {" ", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseWarpThreads(c.pszValue), c.nThreads) << '"' << c.pszValue << '"';
    EXPECT_EQ(ParseWarpThreads(nullptr), 0u);
}

// A count beyond 32 bits reaches the warp report whole: the sink adds three times 2^31
// occurrences when "Too TINY" is first shown, inside the warp's own scope, to those the warp
// counts itself (the same camera on the exact source: thousands).
TEST(WarpThreads, TinyCountPast32BitsReachesTheWarpReport) {
    CRecordingSinks sinks;
    auto pSource = MakeIdentitySource(0.5);
    const CViewImage plain(0.0, 0.0, 0.0, pSource->GetCOP(), *pSource);
    ASSERT_EQ(plain.GetWarpReport().messages.size(), 1u);
    const std::int64_t nPlain = plain.GetWarpReport().messages[0].nCount;
    ASSERT_GT(nPlain, 1000);

    constexpr std::int64_t kMore = std::int64_t(3) << 31;
    MessageSink recording = SetMessageSink([](const std::string& strText) {
        if (strText == "Too TINY")
            ShowMessageBox("Too TINY", kMore);
    });
    const CViewImage swollen(0.0, 0.0, 0.0, pSource->GetCOP(), *pSource);
    SetMessageSink(recording);
    ASSERT_EQ(swollen.GetWarpReport().messages.size(), 1u);
    EXPECT_EQ(swollen.GetWarpReport().messages[0].nCount, nPlain + kMore);
}

} // namespace

// Hostile moves through morrow-warp as a process: depth steps under an epipole at infinity and
// zooms near 0, which must finish with their "Too TINY" count; and the thread count of the
// warp from MORROW_THREADS, which never changes the image.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DataFiles.h"
#include "RunTool.h"
#include "TestSupport.h"

namespace {

// The "Too TINY" count of morrow-warp's --json line, or -1 when it names none.
long long TinyCount(const std::string& strJson) {
    const std::string strKey = "{\"text\": \"Too TINY\", \"count\": ";
    const size_t nAt = strJson.find(strKey);
    if (nAt == std::string::npos)
        return -1;
    return std::strtoll(strJson.c_str() + nAt + strKey.size(), nullptr, 10);
}

struct HostileMove {
    const char* pszName;
    int nDiffPeriod, nSumPeriod; // DiagonalStepTokens
    double dBase, dStep;
    std::vector<std::string> move;
    // The "Too TINY" count exceeds this; -1: none.
    long long nTinyAbove;
    // 0, or 4 for a move over the warp budget (nothing written).
    int nExit = 0;
};

// The first row is the recipe of the report that found the warp unbounded (14 s, and an
// overflowing count on denser steps: 23/29 counts 3,758,676,429). fuzz/measure-worst-cases.sh
// times the same moves.
const std::vector<std::string> kInfinity[] = {
    {"--free", "0", "0", "0", "-1e101", "-1e101", "0"},
    {"--free", "0", "0", "0", "1e101", "-1e101", "0"},
    {"--free", "0", "0", "0", "-1e101", "1e101", "0"},
    {"--free", "0", "0", "0", "1e101", "1e101", "0"},
};
const HostileMove kHostileMoves[] = {
    {"diagonals 67/71, infinity -,-", 67, 71, 0.0, 1.0, kInfinity[0], 0},
    {"diagonals 67/71, infinity +,+", 67, 71, 0.0, 1.0, kInfinity[3], 0},
    {"diagonals 23/29, infinity -,-", 23, 29, 0.0, 1.0, kInfinity[0], 1LL << 31},
    // Every third diagonal: refused at once, its fill estimated at twice the budget.
    {"diagonals 3/3, infinity -,-", 3, 3, 0.0, 1.0, kInfinity[0], -1, 4},
    {"diagonals 67/71, zoom 0.001", 67, 71, 0.0, 1.0, {"--focus", "0", "0", "0", "0.001"}, 0},
};

// The other quadrants, the 7/11 steps and the finite depths next to a plane take one to five
// seconds each; fuzz/measure-worst-cases.sh times them.
TEST(HostileMoves, EveryMoveFinishesWithItsTinyCount) {
    const std::string strTool = MorrowWarpPath();
    if (strTool.empty())
        GTEST_SKIP() << "morrow-warp is not part of this build";
    CScratchDir dir;
    for (const HostileMove& c : kHostileMoves) {
        SCOPED_TRACE(c.pszName);
        const std::string strData = dir.File("diagonals.txt");
        WriteFileBytes(
            strData,
            JoinTokens(DiagonalStepTokens(c.nDiffPeriod, c.nSumPeriod, c.dBase, c.dStep), "\n"));
        std::vector<std::string> argv = {strTool, strData};
        argv.insert(argv.end(), c.move.begin(), c.move.end());
        for (const char* psz : {"--json", "-o"})
            argv.push_back(psz);
        argv.push_back(dir.File("out.bmp"));
        const ToolResult r = RunTool(argv, 60);
        ASSERT_TRUE(r.EndedCleanly()) << r.Describe();
        EXPECT_EQ(r.nExitCode, c.nExit) << r.Describe();
        if (c.nTinyAbove >= 0)
            EXPECT_GT(TinyCount(r.strStdout), c.nTinyAbove) << r.strStdout;
        else
            EXPECT_EQ(TinyCount(r.strStdout), -1) << r.strStdout;
        if (c.nExit == 0)
            EXPECT_GT(ReadFileBytes(dir.File("out.bmp")).size(), 54u);
        else {
            EXPECT_NE(r.strStderr.find("message: The move is too costly to render: about "),
                      std::string::npos)
                << r.strStderr;
            EXPECT_NE(r.strStderr.find("out.bmp not written: the move is too costly to render\n"),
                      std::string::npos);
            EXPECT_EQ(ReadFileBytes(dir.File("out.bmp")), "");
        }
        unlink(dir.File("out.bmp").c_str());
    }
}

// Every thread count gives the same bytes and the same report; a value that is not a positive
// integer is ignored with a trace line.
TEST(WarpThreadsVariable, EveryValueGivesTheSameImageAndReport) {
    const std::string strTool = MorrowWarpPath();
    if (strTool.empty())
        GTEST_SKIP() << "morrow-warp is not part of this build";
    CScratchDir dir;
    const std::string strData = dir.File("scene.txt");
    WriteFileBytes(strData, JoinTokens(SceneTokens(), "\n"));
    const std::string strOut = dir.File("out.bmp");
    const std::vector<std::string> argv = {strTool, strData, "--focus", "5",  "-3",
                                           "0",     "0.7",   "--json",  "-o", strOut};
    const ToolResult one = RunTool(argv, 120, {}, {"MORROW_THREADS=1"});
    ASSERT_TRUE(one.EndedCleanly() && one.nExitCode == 0) << one.Describe();
    const std::string strImage = ReadFileBytes(strOut);
    ASSERT_GT(strImage.size(), 54u);
    for (const char* pszValue : {"2", "3", "8", "1000", "0", "-4", "two", ""}) {
        SCOPED_TRACE(std::string("MORROW_THREADS=\"") + pszValue + "\"");
        unlink(strOut.c_str());
        const ToolResult r =
            RunTool(argv, 120, {}, {std::string("MORROW_THREADS=") + pszValue, "MORROW_TRACE=1"});
        ASSERT_TRUE(r.EndedCleanly() && r.nExitCode == 0) << r.Describe();
        EXPECT_EQ(r.strStdout, one.strStdout);
        EXPECT_EQ(ReadFileBytes(strOut), strImage);
        const bool bBad = std::atoi(pszValue) <= 0;
        EXPECT_EQ(r.strStderr.find(std::string("trace: MORROW_THREADS=\"") + pszValue +
                                   "\" is not a positive integer; ignored") != std::string::npos,
                  bBad)
            << r.strStderr;
    }
}

} // namespace

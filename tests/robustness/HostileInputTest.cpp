// Hostile data files through morrow-warp: each gives a defined image or a clear error (the exit
// code of an input problem and one line naming the file), never a crash, a hang or a sanitizer
// report, and the moves on whatever was loaded finish too.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DataFiles.h"
#include "RunTool.h"
#include "TestSupport.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitInput = 2;
constexpr size_t kSourceBmpSize = 54 + 600 * 200;

// Moves whose images a damaged source must not break: a small free move, a free move with a
// turn, and a focus move.
const std::vector<std::vector<std::string>> kMoves = {
    {"--free", "0", "0", "0", "10", "-5", "20"},
    {"--free", "5", "-3", "2", "-20", "15", "-40"},
    {"--focus", "10", "20", "0", "0.9"},
};

struct InputCase {
    const char* pszName;
    // Writes the input into the scratch folder and returns its path.
    std::function<std::string(const CScratchDir&)> make;
    int nExit;              // expected exit code of --source
    const char* pszMessage; // what the error line says after "morrow-warp: PATH: ", or null
    bool bImage;            // --source writes a BMP
};

std::string WriteTokens(const CScratchDir& dir, const char* pszName,
                        const std::vector<std::string>& tokens, const std::string& strSep = "\n") {
    const std::string strPath = dir.File(pszName);
    WriteFileBytes(strPath, JoinTokens(tokens, strSep));
    return strPath;
}

std::vector<InputCase> InputCases() {
    std::vector<InputCase> cases;
    cases.push_back({"empty",
                     [](const CScratchDir& d) {
                         WriteFileBytes(d.File("empty.txt"), "");
                         return d.File("empty.txt");
                     },
                     kExitInput, "incomplete after 0 of 240026 numbers", true});
    cases.push_back(
        {"binary garbage",
         [](const CScratchDir& d) {
             WriteFileBytes(d.File("garbage.bin"), GarbageBytes());
             return d.File("garbage.bin");
         },
         kExitInput,
         "a token that is not a number after 0 of 240026 numbers; the rest of the file is ignored",
         true});
    cases.push_back({"a directory",
                     [](const CScratchDir& d) {
                         mkdir(d.File("folder.txt").c_str(), 0755);
                         return d.File("folder.txt");
                     },
                     kExitInput, "cannot open the data file", false});
    cases.push_back({"a missing file", [](const CScratchDir& d) { return d.File("none.txt"); },
                     kExitInput, "cannot open the data file", false});
    cases.push_back({"ends mid-record",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         t.resize(RecordToken(100, 3));
                         return WriteTokens(d, "short.txt", t);
                     },
                     kExitInput, "incomplete after 629 of 240026 numbers", true});
    cases.push_back(
        {"CRLF line ends",
         [](const CScratchDir& d) { return WriteTokens(d, "crlf.txt", SceneTokens(), "\r\n"); },
         kExitOk, nullptr, true});
    cases.push_back({"1e308 and -1e308 in every real field",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         for (size_t i = 0; i < t.size(); ++i) {
                             const bool bCoordinate =
                                 i >= kHeaderTokens && (i - kHeaderTokens) % 6 < 2;
                             if (!bCoordinate)
                                 t[i] = (i % 2) ? "1e308" : "-1e308";
                         }
                         return WriteTokens(d, "huge.txt", t);
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"nan and inf colours and disparities",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         const char* kValues[] = {"nan", "inf", "-inf", "-nan", "NAN", "Infinity"};
                         for (int r = 0; r < 40000; r += 3)
                             for (int f = 2; f < 6; ++f)
                                 t[RecordToken(r, f)] = kValues[(r + f) % 6];
                         return WriteTokens(d, "nonfinite.txt", t);
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"x or y of 2147483647, -1 and beyond the int range",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         t[RecordToken(10, 0)] = "2147483647";
                         t[RecordToken(11, 1)] = "2147483647";
                         t[RecordToken(12, 0)] = "-1";
                         t[RecordToken(13, 1)] = "-1";
                         t[RecordToken(14, 0)] = "-2147483648";
                         t[RecordToken(15, 0)] = "2147483648"; // beyond the int range
                         t[RecordToken(16, 1)] = "-99999999999999999999";
                         return WriteTokens(d, "outside.txt", t);
                     },
                     kExitInput, "7 records outside the 200 x 200 grid ignored", true});
    cases.push_back({"ten times too many records",
                     [](const CScratchDir& d) {
                         const std::vector<std::string> t = SceneTokens();
                         std::vector<std::string> big = t;
                         for (int i = 0; i < 9; ++i)
                             big.insert(big.end(), t.begin() + kHeaderTokens, t.end());
                         return WriteTokens(d, "many.txt", big, " ");
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"a singular matrix",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         for (int i = 0; i < 3; ++i)
                             t[kTokenColumnB + i] = t[kTokenColumnA + i];
                         return WriteTokens(d, "singular.txt", t);
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"a matrix with a zero row",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         for (int nColumn : {kTokenColumnA, kTokenColumnB, kTokenColumnC})
                             t[nColumn] = "0";
                         return WriteTokens(d, "zerorow.txt", t);
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"all-zero scene bounds",
                     [](const CScratchDir& d) {
                         std::vector<std::string> t = SceneTokens();
                         for (int i = 0; i < 6; ++i)
                             t[kTokenBounds + i] = "0";
                         return WriteTokens(d, "zerobounds.txt", t);
                     },
                     kExitOk, nullptr, true});
    cases.push_back({"an endless device (/dev/zero)",
                     [](const CScratchDir&) { return std::string("/dev/zero"); }, kExitInput,
                     nullptr, true});
    return cases;
}

// The reader must stay bounded on an endless input, so the child gets a memory ceiling that a
// bounded reader never meets; under AddressSanitizer (which reserves vast address space) the
// ceiling is the allocator's largest allocation instead.
void LimitMemory() {
#if !defined(__SANITIZE_ADDRESS__)
    rlimit limit = {3UL << 30, 3UL << 30};
    setrlimit(RLIMIT_AS, &limit);
#endif
}
const std::vector<std::string> kMemoryEnv = {
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:max_allocation_size_mb=1024"};

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        m_strTool = MorrowWarpPath();
        if (m_strTool.empty())
            GTEST_SKIP() << "morrow-warp is not part of this build";
    }
    ToolResult Warp(const std::string& strData, const std::vector<std::string>& move,
                    const std::string& strOut) {
        std::vector<std::string> argv = {m_strTool, strData};
        argv.insert(argv.end(), move.begin(), move.end());
        argv.push_back("-o");
        argv.push_back(strOut);
        return RunTool(argv, 300, LimitMemory, kMemoryEnv);
    }
    std::string m_strTool;
};

TEST_F(HostileInput, EachInputGivesADefinedImageOrAClearError) {
    for (const InputCase& c : InputCases()) {
        SCOPED_TRACE(c.pszName);
        CScratchDir dir;
        const std::string strData = c.make(dir);
        const std::string strOut = dir.File("source.bmp");
        const ToolResult r = Warp(strData, {"--source"}, strOut);
        ASSERT_TRUE(r.EndedCleanly()) << r.Describe();
        EXPECT_EQ(r.nExitCode, c.nExit) << r.Describe();
        if (c.pszMessage) {
            // One clear line that names the file and says what is wrong.
            const std::string strLine = "morrow-warp: " + strData + ": " + c.pszMessage;
            EXPECT_NE(r.strStderr.find(strLine), std::string::npos) << r.Describe();
        }
        const std::string strBmp = ReadFileBytes(strOut);
        if (c.bImage) {
            EXPECT_EQ(strBmp.size(), kSourceBmpSize);
        } else {
            EXPECT_EQ(access(strOut.c_str(), F_OK), -1) << "no image for an unreadable input";
        }
        if (!c.bImage || strBmp.size() != kSourceBmpSize)
            continue;
        // Whatever was loaded, every move finishes with a BMP of its own size, and with the exit
        // code of --source: a problem of the input is reported whichever image is asked for.
        for (const std::vector<std::string>& move : kMoves) {
            SCOPED_TRACE(move[0] + " " + move[1]);
            const std::string strMoved = dir.File("moved.bmp");
            const ToolResult m = Warp(strData, move, strMoved);
            ASSERT_TRUE(m.EndedCleanly()) << m.Describe();
            EXPECT_EQ(m.nExitCode, c.nExit) << m.Describe();
            const std::string strImage = ReadFileBytes(strMoved);
            ASSERT_GE(strImage.size(), 54u) << m.Describe();
            EXPECT_EQ(strImage.compare(0, 2, "BM"), 0);
            uint32_t nSize;
            std::memcpy(&nSize, strImage.data() + 2, 4);
            EXPECT_EQ(nSize, strImage.size());
            unlink(strMoved.c_str());
        }
    }
}

TEST_F(HostileInput, CrlfAndLfFilesGiveIdenticalImages) {
    CScratchDir dir;
    const std::vector<std::string> tokens = SceneTokens();
    const std::string strLf = WriteTokens(dir, "lf.txt", tokens);
    const std::string strCrlf = WriteTokens(dir, "crlf.txt", tokens, "\r\n");
    for (const std::vector<std::string>& move :
         {std::vector<std::string>{"--source"}, kMoves[1], kMoves[2]}) {
        SCOPED_TRACE(move[0]);
        const ToolResult a = Warp(strLf, move, dir.File("lf.bmp"));
        const ToolResult b = Warp(strCrlf, move, dir.File("crlf.bmp"));
        ASSERT_TRUE(a.EndedCleanly() && a.nExitCode == kExitOk) << a.Describe();
        ASSERT_TRUE(b.EndedCleanly() && b.nExitCode == kExitOk) << b.Describe();
        EXPECT_EQ(ReadFileBytes(dir.File("lf.bmp")), ReadFileBytes(dir.File("crlf.bmp")));
    }
}

TEST_F(HostileInput, UnreadableFileIsAClearError) {
    // As root the tool runs as an unprivileged user, for whom the permissions hold.
    CScratchDir dir;
    const std::string strData = WriteTokens(dir, "locked.txt", SceneTokens());
    chmod(strData.c_str(), 0);
    chmod(dir.Path().c_str(), 0777); // writable, so that only the read permission is missing
    const std::function<void()> setup = RunAsUnprivileged({});
    if (!StartsUnprivileged(m_strTool, setup))
        GTEST_SKIP() << "running as root and the build folder is closed to an unprivileged user";
    const ToolResult r = RunTool({m_strTool, strData, "--source", "-o", dir.File("out.bmp")}, 300,
                                 setup, kMemoryEnv);
    ASSERT_TRUE(r.EndedCleanly()) << r.Describe();
    EXPECT_EQ(r.nExitCode, kExitInput);
    EXPECT_NE(r.strStderr.find("morrow-warp: " + strData + ": cannot open the data file"),
              std::string::npos)
        << r.Describe();
    EXPECT_EQ(access(dir.File("out.bmp").c_str(), F_OK), -1);
}

} // namespace

namespace {

// A move whose window needs far more memory than the child may have: the warp tells the user
// and leaves an empty image instead of ending the program.
TEST(HostileMemory, GridThatCannotBeAllocatedIsReported) {
    const std::string strTool = MorrowWarpPath();
    if (strTool.empty())
        GTEST_SKIP() << "morrow-warp is not part of this build";
    CScratchDir dir;
    const std::string strData = WriteTokens(dir, "scene.txt", SceneTokens());
    const std::vector<std::string> move = {"--focus", "0", "0", "0", "1e-6"};
    std::vector<std::string> argv = {strTool, strData};
    argv.insert(argv.end(), move.begin(), move.end());

    // The window the move asks for, from the border alone.
    std::vector<std::string> hint = argv;
    hint.insert(hint.end(), {"--hint", "--json"});
    const ToolResult h = RunTool(hint, 120);
    ASSERT_TRUE(h.EndedCleanly() && h.nExitCode == 0) << h.Describe();
    int nWidth = 0, nHeight = 0;
    const size_t nAt = h.strStdout.find("\"width\": ");
    ASSERT_NE(nAt, std::string::npos) << h.strStdout;
    ASSERT_EQ(
        std::sscanf(h.strStdout.c_str() + nAt, "\"width\": %d, \"height\": %d", &nWidth, &nHeight),
        2);
    // The tool warps into colour bytes, three per position.
    constexpr unsigned long kHeadroomMB = 2;
    ASSERT_GT(static_cast<long>(nWidth) * nHeight * 3, 3L * (kHeadroomMB << 20))
        << "the move must need a big grid";

    // The tool's own start (its shared libraries, the image codecs' among them) and the reading
    // of the source take address space of their own: the ceiling is kHeadroomMB above the least
    // one (to 1 MB) in which the move's hint runs, which reads the source and sizes the window
    // as the warp does, all but the grid. Under AddressSanitizer an allocation over 4 MB fails.
    rlimit ceiling = {48UL << 20, 48UL << 20};
#if !defined(__SANITIZE_ADDRESS__)
    unsigned long nLo = 0, nHi = 4096; // MB
    while (nHi - nLo > 1) {
        const unsigned long nMid = (nLo + nHi) / 2;
        const ToolResult start = RunTool(hint, 60, [nMid] {
            rlimit limit = {nMid << 20, nMid << 20};
            setrlimit(RLIMIT_AS, &limit);
        });
        (start.EndedCleanly() && start.nExitCode == 0 ? nHi : nLo) = nMid;
    }
    ceiling.rlim_cur = ceiling.rlim_max = (nHi + kHeadroomMB) << 20;
#endif

    argv.insert(argv.end(), {"-o", dir.File("out.bmp")});
    const ToolResult r =
        RunTool(argv, 120,
                [ceiling] {
#if !defined(__SANITIZE_ADDRESS__)
                    setrlimit(RLIMIT_AS, &ceiling);
#else
            (void)ceiling;
#endif
                },
                {"ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:max_allocation_size_mb=4:"
                 "allocator_may_return_null=1"});
    // AddressSanitizer warns that it could not allocate; that is the point here, not a fault.
    ASSERT_TRUE(r.bStarted && !r.bTimedOut && r.nSignal == 0) << r.Describe();
    EXPECT_EQ(r.strStderr.find("ERROR: AddressSanitizer"), std::string::npos) << r.Describe();
    EXPECT_EQ(r.strStderr.find("runtime error"), std::string::npos) << r.Describe();
    EXPECT_EQ(r.nExitCode, 0) << r.Describe();
    char szMessage[160];
    std::snprintf(szMessage, sizeof szMessage,
                  "There is not enough memory for a warped image of %d x %d pixels.", nWidth,
                  nHeight);
    EXPECT_NE(r.strStderr.find(szMessage), std::string::npos) << r.Describe();
    // The cut is reported with the size the window was cut to, before the memory ran out.
    std::snprintf(szMessage, sizeof szMessage,
                  "The warped image is too large and has been cut to %d x %d pixels.", nWidth,
                  nHeight);
    if (h.strStdout.find("\"cut\": true") != std::string::npos) {
        EXPECT_NE(r.strStderr.find(szMessage), std::string::npos) << r.Describe();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("out.bmp")).size(), 54u + 3 * 12) << "an empty 3 x 3 image";
}

} // namespace

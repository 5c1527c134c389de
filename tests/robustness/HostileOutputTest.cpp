// Outputs that cannot be written, through morrow-warp: a clear error (the exit code of an output
// problem and a line naming the target), and an existing file left exactly as it was.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DataFiles.h"
#include "RunTool.h"
#include "TestSupport.h"

namespace {

constexpr int kExitOutput = 3;
const char kPrevious[] = "the previous contents of the target";

std::vector<std::string> ListFolder(const std::string& strPath) {
    std::vector<std::string> names;
    if (DIR* pDir = opendir(strPath.c_str())) {
        while (dirent* pEntry = readdir(pDir)) {
            const std::string strName = pEntry->d_name;
            if (strName != "." && strName != "..")
                names.push_back(strName);
        }
        closedir(pDir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class HostileOutput : public ::testing::Test {
protected:
    void SetUp() override {
        m_strTool = MorrowWarpPath();
        if (m_strTool.empty())
            GTEST_SKIP() << "morrow-warp is not part of this build";
        m_strData = m_dataDir.File("scene.txt");
        WriteFileBytes(m_strData, JoinTokens(SceneTokens(), "\n"));
    }
    // Runs the source export and the free move into the target; both must fail cleanly.
    void ExpectOutputError(const std::string& strTarget, const std::function<void()>& setup = {}) {
        for (const std::vector<std::string>& move :
             {std::vector<std::string>{"--source"},
              std::vector<std::string>{"--free", "0", "0", "0", "10", "-5", "20"}}) {
            SCOPED_TRACE(move[0]);
            std::vector<std::string> argv = {m_strTool, m_strData};
            argv.insert(argv.end(), move.begin(), move.end());
            argv.push_back("-o");
            argv.push_back(strTarget);
            const ToolResult r = RunTool(argv, 300, setup);
            ASSERT_TRUE(r.EndedCleanly()) << r.Describe();
            EXPECT_EQ(r.nExitCode, kExitOutput) << r.Describe();
            const std::string strLine = "morrow-warp: " + strTarget + ": cannot write the image\n";
            EXPECT_NE(r.strStderr.find(strLine), std::string::npos) << r.Describe();
        }
    }
    std::string m_strTool;
    CScratchDir m_dataDir;
    std::string m_strData;
};

TEST_F(HostileOutput, FileSizeLimitKeepsTheExistingFile) {
    CScratchDir dir;
    const std::string strTarget = dir.File("out.bmp");
    WriteFileBytes(strTarget, kPrevious);
    ExpectOutputError(strTarget, [] {
        // The write fails with EFBIG part-way through the pixel rows instead of killing.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {20000, 20000};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(ReadFileBytes(strTarget), kPrevious);
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"out.bmp"})
        << "no temporary file is left behind";
}

TEST_F(HostileOutput, DevFullIsReported) {
    struct stat info;
    if (stat("/dev/full", &info) != 0 || !S_ISCHR(info.st_mode))
        GTEST_SKIP() << "this machine has no /dev/full";
    ExpectOutputError("/dev/full");
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device is never replaced";
}

TEST_F(HostileOutput, MissingFolderIsReportedAndNothingIsCreated) {
    CScratchDir dir;
    const std::string strTarget = dir.File("no-such-folder/out.bmp");
    ExpectOutputError(strTarget);
    EXPECT_TRUE(ListFolder(dir.Path()).empty());
}

TEST_F(HostileOutput, ParentThatIsAFileIsReported) {
    CScratchDir dir;
    WriteFileBytes(dir.File("plain"), kPrevious);
    ExpectOutputError(dir.File("plain/out.bmp"));
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), kPrevious);
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"plain"});
}

TEST_F(HostileOutput, ReadOnlyFolderKeepsTheExistingFile) {
    // As root the tool runs as an unprivileged user, for whom the permissions hold.
    CScratchDir dir;
    const std::string strTarget = dir.File("out.bmp");
    WriteFileBytes(strTarget, kPrevious);
    chmod(m_strData.c_str(), 0644);
    const std::function<void()> setup = RunAsUnprivileged({m_dataDir.Path()});
    if (!StartsUnprivileged(m_strTool, setup))
        GTEST_SKIP() << "running as root and the build folder is closed to an unprivileged user";
    chmod(strTarget.c_str(), 0444);
    chmod(dir.Path().c_str(), 0555);
    ExpectOutputError(strTarget, setup);
    chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadFileBytes(strTarget), kPrevious);
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"out.bmp"});
}

} // namespace

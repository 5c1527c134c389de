// The BMP writer: byte layout for awkward widths, the colour conversion, and what happens to
// the target when there is nothing to write or the write fails.
#include "image/ViewImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

uint32_t U32(const std::string& s, size_t nAt) {
    return static_cast<uint32_t>(static_cast<unsigned char>(s[nAt])) |
           static_cast<uint32_t>(static_cast<unsigned char>(s[nAt + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[nAt + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[nAt + 3])) << 24;
}

unsigned U16(const std::string& s, size_t nAt) {
    return static_cast<unsigned char>(s[nAt]) | static_cast<unsigned char>(s[nAt + 1]) << 8;
}

// An image whose every pixel has its own bytes: red = x, green = y, blue = 200 - x.
void FillImage(CViewImage& image, int nWidth, int nHeight) {
    PixelSample* pSamples = new PixelSample[static_cast<size_t>(nWidth) * nHeight];
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            pSamples[y * nWidth + x] = {x + 0.5, y + 0.99, 200.0 - x, 1.0};
    image.SetWidth(nWidth);
    image.SetHeight(nHeight);
    image.SetSamples(pSamples);
}

std::vector<std::string> FolderEntries(const std::string& strFolder) {
    std::vector<std::string> names;
    if (DIR* pDir = opendir(strFolder.c_str())) {
        while (dirent* pEntry = readdir(pDir))
            if (std::string(pEntry->d_name) != "." && std::string(pEntry->d_name) != "..")
                names.push_back(pEntry->d_name);
        closedir(pDir);
    }
    return names;
}

TEST(BmpWriter, LayoutForAwkwardWidths) {
    const struct {
        int nWidth, nHeight, nRow;
    } cases[] = {{1, 3, 4},  {2, 3, 8},       {3, 2, 12},   {4, 2, 12},
                 {6, 5, 20}, {200, 200, 600}, {201, 4, 604}};
    CScratchDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nWidth);
        CViewImage image;
        FillImage(image, c.nWidth, c.nHeight);
        CRecordingSinks sinks;
        ASSERT_TRUE(image.WriteBmp(dir.File("l.bmp").c_str()));
        EXPECT_TRUE(sinks.traces.empty());
        const std::string s = ReadFileBytes(dir.File("l.bmp"));
        const size_t nSize = static_cast<size_t>(c.nRow) * c.nHeight + 54;
        ASSERT_EQ(s.size(), nSize);
        EXPECT_EQ(s.substr(0, 2), "BM");
        EXPECT_EQ(U32(s, 2), nSize);
        EXPECT_EQ(U32(s, 6), 0u);
        EXPECT_EQ(U32(s, 10), 54u);
        EXPECT_EQ(U32(s, 14), 40u);
        EXPECT_EQ(U32(s, 18), static_cast<uint32_t>(c.nWidth));
        EXPECT_EQ(U32(s, 22), static_cast<uint32_t>(c.nHeight));
        EXPECT_EQ(U16(s, 26), 1u);
        EXPECT_EQ(U16(s, 28), 24u);
        for (size_t nAt = 30; nAt < 54; nAt += 4)
            EXPECT_EQ(U32(s, nAt), 0u) << nAt;
        // Row y = 0 first, pixel x = 0 first, blue-green-red, zero fill at each row's end.
        for (int y = 0; y < c.nHeight; ++y) {
            const size_t nRowAt = 54 + static_cast<size_t>(y) * c.nRow;
            for (int x = 0; x < c.nWidth; ++x) {
                ASSERT_EQ(static_cast<unsigned char>(s[nRowAt + 3 * x]), 200 - x);
                ASSERT_EQ(static_cast<unsigned char>(s[nRowAt + 3 * x + 1]), y);
                ASSERT_EQ(static_cast<unsigned char>(s[nRowAt + 3 * x + 2]), x);
            }
            for (int i = 3 * c.nWidth; i < c.nRow; ++i)
                ASSERT_EQ(s[nRowAt + i], '\0');
        }
        // The same bytes in memory.
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(image.EncodeBmp(bytes));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), s);
    }
}

TEST(BmpWriter, ColoursAreTruncatedToTheirLowEightBits) {
    const struct {
        double dValue;
        unsigned char nByte;
    } cases[] = {{0.0, 0},
                 {127.99, 127},
                 {255.0, 255},
                 {255.9, 255},
                 {256.0, 0},
                 {-1.0, 255},
                 {-0.5, 0},
                 {511.5, 255},
                 {1e10, 0},
                 {-1e300, 0},
                 {4294967296.0 + 300.0, 44}};
    for (const auto& c : cases) {
        CViewImage image;
        PixelSample* pSample = new PixelSample[1]{{c.dValue, 0.0, 0.0, 0.0}};
        image.SetWidth(1);
        image.SetHeight(1);
        image.SetSamples(pSample);
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(image.EncodeBmp(bytes));
        EXPECT_EQ(bytes[56], c.nByte) << c.dValue;
    }
    // red 0.0, green 127.99, blue 255.0 is stored blue first: 255, 127, 0.
    CViewImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    image.SetSamples(new PixelSample[1]{{0.0, 127.99, 255.0, 1.0}});
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(image.EncodeBmp(bytes));
    EXPECT_EQ(bytes[54], 255);
    EXPECT_EQ(bytes[55], 127);
    EXPECT_EQ(bytes[56], 0);
}

TEST(BmpWriter, WritingTwiceGivesIdenticalFilesAndReplacesTheOld) {
    CScratchDir dir;
    const std::string strPath = dir.File("twice.bmp");
    WriteFileBytes(strPath, std::string(300000, 'x'));
    chmod(strPath.c_str(), 0640);
    CViewImage image;
    FillImage(image, 6, 5);
    ASSERT_TRUE(image.WriteBmp(strPath.c_str()));
    const std::string strFirst = ReadFileBytes(strPath);
    ASSERT_TRUE(image.WriteBmp(strPath.c_str()));
    EXPECT_EQ(ReadFileBytes(strPath), strFirst);
    EXPECT_EQ(strFirst.size(), 20u * 5 + 54);
    struct stat info;
    ASSERT_EQ(stat(strPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"twice.bmp"});
}

TEST(BmpWriter, TargetNameAtTheLengthLimitIsWritten) {
    // The temporary file beside the target must not need a longer name than the target.
    CScratchDir dir;
    const std::string strPath = dir.File(std::string(251, 'n') + ".bmp");
    CViewImage image;
    FillImage(image, 3, 2);
    ASSERT_TRUE(image.WriteBmp(strPath.c_str()));
    EXPECT_EQ(ReadFileBytes(strPath).size(), 12u * 2 + 54);
}

TEST(BmpWriter, SymbolicLinkStaysALinkToTheNewFile) {
    CScratchDir dir;
    WriteFileBytes(dir.File("real.bmp"), "old");
    ASSERT_EQ(symlink("real.bmp", dir.File("link.bmp").c_str()), 0);
    CViewImage image;
    FillImage(image, 3, 2);
    ASSERT_TRUE(image.WriteBmp(dir.File("link.bmp").c_str()));
    struct stat info;
    ASSERT_EQ(lstat(dir.File("link.bmp").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFileBytes(dir.File("real.bmp")).size(), 12u * 2 + 54);
}

TEST(BmpWriter, ImageWithoutGridTouchesNothing) {
    CScratchDir dir;
    const std::string strExisting = dir.File("keep.bmp");
    WriteFileBytes(strExisting, "precious");
    CViewImage image(dir.File("missing.txt").c_str()); // 200 x 200, no grid
    for (const std::string& strPath : {strExisting, dir.File("new.bmp")}) {
        CRecordingSinks sinks;
        EXPECT_FALSE(image.WriteBmp(strPath.c_str()));
        ASSERT_EQ(sinks.traces.size(), 1u);
        EXPECT_EQ(sinks.traces[0], "can't open imagefile " + strPath + "!");
    }
    EXPECT_EQ(ReadFileBytes(strExisting), "precious");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.bmp"});
    std::vector<unsigned char> bytes{1, 2};
    EXPECT_FALSE(image.EncodeBmp(bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(BmpWriter, TargetThatCannotBeOpenedIsReported) {
    CScratchDir dir;
    CViewImage image;
    FillImage(image, 2, 2);
    for (const std::string& strPath : {dir.File("no/such/folder.bmp"), dir.Path()}) {
        CRecordingSinks sinks;
        EXPECT_FALSE(image.WriteBmp(strPath.c_str()));
        ASSERT_EQ(sinks.traces.size(), 1u);
        EXPECT_EQ(sinks.traces[0], "can't open imagefile " + strPath + "!");
    }
}

TEST(BmpWriter, FailedWriteKeepsTheExistingFile) {
    CScratchDir dir;
    const std::string strPath = dir.File("big.bmp");
    WriteFileBytes(strPath, "the old picture");
    CViewImage image;
    FillImage(image, 200, 200);
    std::fflush(nullptr);
    const pid_t nPid = fork();
    if (nPid == 0) {
        // A file-size limit below the 120,054 bytes of the image makes the write fail.
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        CRecordingSinks sinks;
        const bool bWritten = image.WriteBmp(strPath.c_str());
        _exit(bWritten ? 1 : (sinks.traces.size() == 1 ? 0 : 2));
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(nPid, &nStatus, 0), nPid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0) << "1: reported success, 2: no trace line";
    EXPECT_EQ(ReadFileBytes(strPath), "the old picture");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"big.bmp"});
}

TEST(BmpWriter, DevicesAreWrittenInPlace) {
    CViewImage image;
    FillImage(image, 4, 4);
    struct stat info;
    if (stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode)) {
        CRecordingSinks sinks;
        EXPECT_FALSE(image.WriteBmp("/dev/full"));
        EXPECT_EQ(sinks.traces.size(), 1u);
        ASSERT_EQ(stat("/dev/full", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
    if (access("/dev/null", W_OK) == 0) {
        EXPECT_TRUE(image.WriteBmp("/dev/null"));
        ASSERT_EQ(stat("/dev/null", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

} // namespace

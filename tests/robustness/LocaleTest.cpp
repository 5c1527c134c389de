// The reader, the writer and morrow-warp give the same results under a locale whose decimal
// separator is a comma as under the C locale. (The dialogs' fields are checked by the GUI tests.)
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DataFiles.h"
#include "RunTool.h"
#include "TestSupport.h"
#include "image/ViewImage.h"

namespace {

const char kCommaLocale[] = "de_DE.UTF-8";

// Switches the process locale for its lifetime and restores "C" afterwards.
class CLocaleGuard {
public:
    explicit CLocaleGuard(const char* pszName)
        : m_bOk(std::setlocale(LC_ALL, pszName) != nullptr) {}
    ~CLocaleGuard() { std::setlocale(LC_ALL, "C"); }
    bool IsComma() const {
        return m_bOk && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    }

private:
    bool m_bOk;
};

bool HaveCommaLocale() {
    CLocaleGuard guard(kCommaLocale);
    return guard.IsComma();
}

// Every number of an image, bit for bit.
void ExpectSameImage(const CViewImage& a, const CViewImage& b) {
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    ASSERT_EQ(a.GetHeight(), b.GetHeight());
    ASSERT_TRUE(a.GetSamples() && b.GetSamples());
    EXPECT_EQ(std::memcmp(a.GetCOP(), b.GetCOP(), 3 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.GetP(), b.GetP(), 9 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.GetSceneBounds(), b.GetSceneBounds(), 6 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.GetSceneExtra(), b.GetSceneExtra(), 8 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.GetSamples(), b.GetSamples(),
                          sizeof(PixelSample) * a.GetWidth() * a.GetHeight()),
              0);
}

class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveCommaLocale())
            GTEST_SKIP() << kCommaLocale << " is not installed (scripts/install-deps.sh makes it)";
        std::vector<std::string> tokens = SceneTokens();
        // Signs, exponents and fractions in the header, where a comma locale would stop "%lf".
        tokens[6] = "-0.5";
        tokens[7] = "1e2";
        tokens[8] = "2.5E-3";
        tokens[9] = "+.75";
        m_strData = m_dir.File("scene.txt");
        WriteFileBytes(m_strData, JoinTokens(tokens, "\n"));
    }
    CScratchDir m_dir;
    std::string m_strData;
};

TEST_F(CommaLocale, ReaderAndWriterGiveTheSameResults) {
    CRecordingSinks sinks;
    LoadReport reportC;
    CViewImage imageC(m_strData.c_str(), &reportC);
    ASSERT_TRUE(reportC.IsComplete());
    std::vector<unsigned char> bytesC;
    ASSERT_TRUE(imageC.EncodeBmp(bytesC));
    ASSERT_TRUE(imageC.WriteBmp(m_dir.File("c.bmp").c_str()));

    CLocaleGuard guard(kCommaLocale);
    ASSERT_TRUE(guard.IsComma());
    LoadReport reportComma;
    CViewImage imageComma(m_strData.c_str(), &reportComma);
    EXPECT_TRUE(reportComma.IsComplete());
    EXPECT_FALSE(reportComma.bBadToken);
    ExpectSameImage(imageC, imageComma);
    EXPECT_EQ(imageComma.GetSceneExtra()[0], -0.5);
    EXPECT_EQ(imageComma.GetSceneExtra()[3], 0.75);
    std::vector<unsigned char> bytesComma;
    ASSERT_TRUE(imageComma.EncodeBmp(bytesComma));
    EXPECT_EQ(bytesC, bytesComma);
    ASSERT_TRUE(imageComma.WriteBmp(m_dir.File("comma.bmp").c_str()));
    EXPECT_EQ(ReadFileBytes(m_dir.File("c.bmp")), ReadFileBytes(m_dir.File("comma.bmp")));
}

TEST_F(CommaLocale, MorrowWarpGivesTheSameResults) {
    const std::string strTool = MorrowWarpPath();
    if (strTool.empty())
        GTEST_SKIP() << "morrow-warp is not part of this build";
    // Fractional arguments, the hint's numbers in JSON, and the warped image.
    const std::vector<std::string> move = {"--free", "0.5",   "-1.25", "2.75",
                                           "10.5",   "-5.25", "20.125"};
    std::vector<std::string> hint = {strTool, m_strData};
    hint.insert(hint.end(), move.begin(), move.end());
    hint.push_back("--hint");
    hint.push_back("--json");
    std::vector<std::string> warpC = {strTool, m_strData};
    warpC.insert(warpC.end(), move.begin(), move.end());
    std::vector<std::string> warpComma = warpC;
    warpC.insert(warpC.end(), {"--json", "-o", m_dir.File("c.bmp")});
    warpComma.insert(warpComma.end(), {"--json", "-o", m_dir.File("comma.bmp")});

    const std::vector<std::string> envC = {"LC_ALL=C", "LANG=C"};
    const std::vector<std::string> envComma = {std::string("LC_ALL=") + kCommaLocale,
                                               std::string("LANG=") + kCommaLocale};
    const ToolResult hintC = RunTool(hint, 120, {}, envC);
    const ToolResult hintComma = RunTool(hint, 120, {}, envComma);
    ASSERT_TRUE(hintC.EndedCleanly() && hintC.nExitCode == 0) << hintC.Describe();
    ASSERT_TRUE(hintComma.EndedCleanly() && hintComma.nExitCode == 0) << hintComma.Describe();
    EXPECT_EQ(hintC.strStdout, hintComma.strStdout);
    EXPECT_NE(hintC.strStdout.find("\"w\""), std::string::npos) << hintC.strStdout;

    const ToolResult runC = RunTool(warpC, 300, {}, envC);
    const ToolResult runComma = RunTool(warpComma, 300, {}, envComma);
    ASSERT_TRUE(runC.EndedCleanly() && runC.nExitCode == 0) << runC.Describe();
    ASSERT_TRUE(runComma.EndedCleanly() && runComma.nExitCode == 0) << runComma.Describe();
    EXPECT_EQ(runC.strStdout, runComma.strStdout);
    const std::string strImage = ReadFileBytes(m_dir.File("c.bmp"));
    EXPECT_GT(strImage.size(), 54u);
    EXPECT_EQ(strImage, ReadFileBytes(m_dir.File("comma.bmp")));
}

} // namespace

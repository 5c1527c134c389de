// morrow-scene and morrow-warp as a user runs them: files, exit codes and the one stderr line
// that names the file and the problem; and the sample scenes they are built on.
#include "Scene.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"

#include "TestSupport.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

bool SameImage(const CViewImage& a, const CViewImage& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && a.GetSamples() &&
           b.GetSamples() &&
           std::memcmp(a.GetSamples(), b.GetSamples(),
                       sizeof(PixelSample) * a.GetWidth() * a.GetHeight()) == 0 &&
           std::memcmp(a.GetCOP(), b.GetCOP(), 3 * sizeof(double)) == 0 &&
           std::memcmp(a.GetP(), b.GetP(), 9 * sizeof(double)) == 0 &&
           std::memcmp(a.GetSceneBounds(), b.GetSceneBounds(), 6 * sizeof(double)) == 0 &&
           std::memcmp(a.GetSceneExtra(), b.GetSceneExtra(), 8 * sizeof(double)) == 0;
}

std::string EncodedBmp(const CViewImage& image) {
    std::vector<unsigned char> bytes;
    image.EncodeBmp(bytes);
    return std::string(bytes.begin(), bytes.end());
}

TEST(MorrowScene, DataFilesReadBackBitIdenticalInEveryLayout) {
    CScratchDir dir;
    const std::vector<std::vector<std::string>> layouts = {
        {}, {"--shuffle"}, {"--one-line"}, {"--shuffle", "--one-line", "--seed", "42"}};
    for (const std::string& strPreset : ScenePresetNames()) {
        CViewImage built;
        ASSERT_TRUE(BuildSceneImage(strPreset, built));
        std::vector<std::string> files;
        for (const std::vector<std::string>& layout : layouts) {
            SCOPED_TRACE(strPreset + " " + std::to_string(layout.size()));
            const std::string strFile = dir.File(strPreset + std::to_string(files.size()) + ".txt");
            std::vector<std::string> args = {"--preset", strPreset, "-o", strFile};
            args.insert(args.end(), layout.begin(), layout.end());
            const RunResult result = Scene(dir, args);
            ASSERT_EQ(result.nExit, 0) << result.strErr;
            EXPECT_EQ(result.strErr, "");
            LoadReport report;
            CViewImage read(strFile.c_str(), &report);
            EXPECT_TRUE(report.IsComplete());
            EXPECT_EQ(report.nRecordsOutside, 0);
            EXPECT_TRUE(SameImage(read, built));
            files.push_back(ReadFileBytes(strFile));
        }
        // The layouts really differ: shuffled records, and one line.
        EXPECT_NE(files[0], files[1]);
        EXPECT_EQ(std::count(files[2].begin(), files[2].end(), '\n'), 1);
        // The sample has depth: sky (disparity 0) and geometry at several depths.
        int nSky = 0;
        double dMin = 1e300, dMax = 0.0;
        for (int i = 0; i < 40000; ++i) {
            const double d = built.GetSamples()[i].disparity;
            if (d == 0.0) {
                ++nSky;
            } else {
                dMin = std::min(dMin, d);
                dMax = std::max(dMax, d);
            }
        }
        EXPECT_GT(nSky, 1000);
        EXPECT_LT(nSky, 30000);
        EXPECT_GT(dMax / dMin, 3.0);
    }
    // A seed gives the same file every time.
    const RunResult again = Scene(dir, {"--preset", "room", "-o", dir.File("again.txt"),
                                        "--shuffle", "--one-line", "--seed", "42"});
    ASSERT_EQ(again.nExit, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("again.txt")), ReadFileBytes(dir.File("room3.txt")));
}

TEST(MorrowScene, RayCastWindowMatchesTheReferenceImage) {
    for (const std::string& strPreset : ScenePresetNames()) {
        CViewImage built;
        ASSERT_TRUE(BuildSceneImage(strPreset, built));
        // A window larger than the grid, starting left of and below it.
        SceneTruth truth;
        ASSERT_TRUE(RayCastScene(strPreset, built.GetCOP(), built.GetP(), -7, -3, 211, 205, truth));
        ASSERT_EQ(truth.samples.size(), 211u * 205u);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                const PixelSample& s = truth.samples[(y + 3) * 211 + (x + 7)];
                const PixelSample& r = built.GetSamples()[y * 200 + x];
                ASSERT_EQ(std::memcmp(&s, &r, sizeof s), 0) << strPreset << " " << x << "," << y;
                ASSERT_EQ(truth.mask[(y + 3) * 211 + (x + 7)], r.disparity > 0.0 ? 1 : 0);
            }
    }
    SceneTruth truth;
    const double cop[3] = {0, 0, 0};
    const double P[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    EXPECT_FALSE(RayCastScene("no such scene", cop, P, 0, 0, 10, 10, truth));
    EXPECT_FALSE(RayCastScene("room", cop, P, 0, 0, 0, 10, truth));
    EXPECT_FALSE(RayCastScene("room", cop, P, 0, 0, 10, 5000, truth));
}

TEST(MorrowScene, GroundTruthCoversTheWarpWindow) {
    CScratchDir dir;
    CViewImage source;
    ASSERT_TRUE(BuildSceneImage("room", source));
    const double position[3] = {1.2, 2.3, -3.0};
    CViewImage moved(0, 0, 0, position, source);
    const RunResult result =
        Scene(dir, {"--preset", "room", "--free", "0", "0", "0", "1.2", "2.3", "-3.0", "-o",
                    dir.File("t.bmp"), "--mask", dir.File("m.bmp")});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    SceneTruth truth;
    ASSERT_TRUE(RayCastScene("room", moved.GetCOP(), moved.GetP(), moved.GetWarpReport().nXOff,
                             moved.GetWarpReport().nYOff, moved.GetWidth(), moved.GetHeight(),
                             truth));
    CViewImage truthImage;
    truthImage.SetWidth(truth.nWidth);
    truthImage.SetHeight(truth.nHeight);
    truthImage.SetSamples(new PixelSample[truth.samples.size()]);
    std::copy(truth.samples.begin(), truth.samples.end(), truthImage.GetSamples());
    EXPECT_EQ(ReadFileBytes(dir.File("t.bmp")), EncodedBmp(truthImage));
    const std::string strMask = ReadFileBytes(dir.File("m.bmp"));
    ASSERT_EQ(strMask.size(), EncodedBmp(truthImage).size());
    // Mask pixel (0, 0) is white exactly where the truth sees geometry.
    EXPECT_EQ(static_cast<unsigned char>(strMask[54]), truth.mask[0] ? 255 : 0);

    // The focus form too.
    EXPECT_EQ(Scene(dir, {"--focus", "0", "8", "0", "0.8", "-o", dir.File("f.bmp")}).nExit, 0);
    EXPECT_GT(ReadFileBytes(dir.File("f.bmp")).size(), 54u);
}

TEST(MorrowScene, BadArgumentsGetAUsageLine) {
    CScratchDir dir;
    const struct {
        std::vector<std::string> args;
        const char* pszProblem;
    } cases[] = {
        {{"--preset", "castle", "-o", "x.txt"},
         "unknown preset \"castle\" (presets: room, spheres)"},
        {{"--preset", "room"}, "-o FILE is missing"},
        {{"-o", "x.txt", "--seed", "-3"}, "--seed needs a whole number"},
        {{"--free", "0", "0", "0", "1", "2"}, "--free needs 6 numbers"},
        {{"--focus", "0", "0", "zero", "1", "-o", "t.bmp"}, "--focus: \"zero\" is not a number"},
        {{"--bogus"}, "unknown argument \"--bogus\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszProblem);
        const RunResult result = Scene(dir, c.args);
        EXPECT_EQ(result.nExit, 1);
        EXPECT_EQ(result.strErr.rfind(std::string("morrow-scene: ") + c.pszProblem, 0), 0u)
            << result.strErr;
        EXPECT_NE(result.strErr.find("\nusage: morrow-scene"), std::string::npos);
    }
    const RunResult list = Scene(dir, {"--list"});
    EXPECT_EQ(list.nExit, 0);
    EXPECT_EQ(list.strOut, "room\nspheres\n");
    const RunResult unwritable = Scene(dir, {"-o", dir.File("no/folder/x.txt")});
    EXPECT_EQ(unwritable.nExit, 3);
    EXPECT_EQ(unwritable.strErr,
              "morrow-scene: " + dir.File("no/folder/x.txt") + ": cannot write the data file\n");
}

class MorrowWarp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(BuildSceneImage("room", m_Source));
        ASSERT_EQ(Scene(m_Dir, {"-o", Data()}).nExit, 0);
    }
    std::string Data() const { return m_Dir.File("room.txt"); }

    CScratchDir m_Dir;
    CViewImage m_Source;
};

TEST_F(MorrowWarp, SourceImageIsWritten) {
    const RunResult result = Warp(m_Dir, {Data(), "--source", "-o", m_Dir.File("s.bmp")});
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(ReadFileBytes(m_Dir.File("s.bmp")), EncodedBmp(m_Source));
}

TEST_F(MorrowWarp, BadDataFilesAreNamedWithTheirProblem) {
    const std::string strFull = ReadFileBytes(Data());
    const std::string strBad = m_Dir.File("bad.txt");
    const struct {
        const char* pszName;
        std::string strText; // empty: no file at all
        std::string strError;
        bool bImageWritten;
    } cases[] = {
        {"missing", "", "cannot open the data file", false},
        {"short", strFull.substr(0, strFull.size() / 2), "incomplete after ", true},
        {"bad token", "1 2 3 x 5", "a token that is not a number after 3 of 240026 numbers", true},
        {"outside",
         "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26\n"
         "200 0 1 1 1 1\n0 -1 1 1 1 1\n",
         "2 records outside the 200 x 200 grid ignored", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::remove(strBad.c_str());
        std::remove(m_Dir.File("o.bmp").c_str());
        if (!c.strText.empty())
            WriteFileBytes(strBad, c.strText);
        const RunResult result = Warp(m_Dir, {strBad, "--source", "-o", m_Dir.File("o.bmp")});
        EXPECT_EQ(result.nExit, 2);
        // Each problem is one line that names the file.
        EXPECT_NE(result.strErr.find("morrow-warp: " + strBad + ": " + c.strError),
                  std::string::npos)
            << result.strErr;
        EXPECT_EQ(result.strErr.rfind("morrow-warp: " + strBad + ": ", 0), 0u);
        EXPECT_EQ(ReadFileBytes(m_Dir.File("o.bmp")).size(), c.bImageWritten ? 120054u : 0u);
    }
}

TEST_F(MorrowWarp, BadArgumentsGetAUsageLine) {
    const struct {
        std::vector<std::string> args;
        const char* pszProblem;
    } cases[] = {
        {{}, "the source is missing"},
        {{Data()}, "say --source, --free, --focus or --camera"},
        {{Data(), "--source"}, "-o OUT.bmp is missing"},
        {{Data(), "--free", "0", "0", "0", "1", "2", "-o", "x.bmp"},
         "--free: \"-o\" is not a number"},
        {{Data(), "--focus", "0", "0", "0", "1,5", "-o", "x.bmp"},
         "--focus: \"1,5\" is not a number"},
        {{Data(), "--focus", "0", "0", "0", "nan", "-o", "x.bmp"},
         "--focus: \"nan\" is not a number"},
        {{Data(), "--free", "0", "0", "0", "1", "2", "3", "--focus", "0", "0", "0", "1"},
         "only one of --source, --free, --focus and --camera"},
        {{Data(), "--source", "--hint"}, "--hint goes with --free, --focus or --camera"},
        {{Data(), "--focus", "0", "0", "0", "1", "--hint", "-o", "x.bmp"},
         "--hint writes no image"},
        {{Data(), "--source", "-o", "x.bmp", "--fast"}, "unknown option \"--fast\""},
        {{Data(), Data(), "--source", "-o", "x.bmp"}, "more than one source"},
        // A camera in full: twelve finite numbers in the C locale.
        {{Data(), "--camera", "0", "0", "0", "1", "0", "0", "0", "1", "0", "0", "0", "-o", "x.bmp"},
         "--camera needs 12 numbers (CX CY CZ, then the matrix columns c, a, b), got 11"},
        {{Data(), "--camera", "1", "2", "3"}, "--camera needs 12 numbers"},
        {{Data(), "--camera", "0", "0", "0", "1", "0", "0", "0", "1", "0", "0", "0", "x", "-o",
          "x.bmp"},
         "--camera: \"x\" is not a number"},
        {{Data(), "--camera", "0", "0", "0", "1,5", "0", "0", "0", "1", "0", "0", "0", "1", "-o",
          "x.bmp"},
         "--camera: \"1,5\" is not a number"},
        {{Data(), "--camera", "0", "0", "0", "1", "0", "0", "0", "1", "0", "0", "0", "1 ", "-o",
          "x.bmp"},
         "--camera: \"1 \" is not a number"},
        {{Data(), "--camera", "0", "0", "nan", "1", "0", "0", "0", "1", "0", "0", "0", "1", "-o",
          "x.bmp"},
         "--camera: \"nan\" is not a finite number"},
        {{Data(), "--camera", "0", "0", "0", "1", "0", "0", "0", "-inf", "0", "0", "0", "1", "-o",
          "x.bmp"},
         "--camera: \"-inf\" is not a finite number"},
        {{Data(), "--camera", "0", "0", "0", "1e999", "0", "0", "0", "1", "0", "0", "0", "1", "-o",
          "x.bmp"},
         "--camera: \"1e999\" is not a finite number"},
        {{Data(), "--focus", "0", "0", "0", "1", "--camera", "0", "0", "0", "1", "0", "0", "0", "1",
          "0", "0", "0", "1"},
         "only one of --source, --free, --focus and --camera"},
        {{Data(), "--focus", "0", "0", "0", "1", "-o", "x.bmp", "--window", "0", "0", "800"},
         "--window needs 4 whole numbers"},
        {{Data(), "--focus", "0", "0", "0", "1", "-o", "x.bmp", "--window", "0", "0.5", "8", "6"},
         "--window: Y0 \"0.5\" is not a whole number"},
        {{Data(), "--focus", "0", "0", "0", "1", "-o", "x.bmp", "--window", "0", "0", "0", "6"},
         "--window: W and H must be 1 to 8192"},
        {{Data(), "--focus", "0", "0", "0", "1", "-o", "x.bmp", "--window", "0", "0", "5000",
          "5000"},
         "--window: W and H must be 1 to 8192 and W x H at most 16777216"},
        {{Data(), "--source", "-o", "x.bmp", "--window", "0", "0", "8", "6"},
         "--window goes with a move that writes an image"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszProblem);
        const RunResult result = Warp(m_Dir, c.args);
        EXPECT_EQ(result.nExit, 1);
        EXPECT_EQ(result.strErr.rfind(std::string("morrow-warp: ") + c.pszProblem, 0), 0u)
            << result.strErr;
        EXPECT_NE(result.strErr.find("\nusage: morrow-warp"), std::string::npos);
    }
}

TEST_F(MorrowWarp, UnwritableOutputExitsThree) {
    const std::string strOut = m_Dir.File("no/folder/o.bmp");
    const RunResult result = Warp(m_Dir, {Data(), "--source", "-o", strOut});
    EXPECT_EQ(result.nExit, 3);
    EXPECT_EQ(result.strErr, "morrow-warp: " + strOut + ": cannot write the image\n");
    EXPECT_EQ(
        Warp(m_Dir, {Data(), "--free", "0", "0", "0", "1", "2", "-3", "-o", "/dev/full"}).nExit, 3);
}

TEST_F(MorrowWarp, MovesWriteWhatTheMoveConstructorsMake) {
    const double position[3] = {1.2, 2.3, -3.0};
    const CViewImage freeMove(2, -3, 1, position, m_Source);
    const CViewImage focusMove(0, 8, 0, 0.8, m_Source);
    const struct {
        std::vector<std::string> args;
        const CViewImage* pExpected;
    } cases[] = {
        {{"--free", "2", "-3", "1", "1.2", "2.3", "-3.0"}, &freeMove},
        {{"--focus", "0", "8", "0", "0.8"}, &focusMove},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {Data()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", m_Dir.File("w.bmp"), "--json"});
        const RunResult result = Warp(m_Dir, args);
        ASSERT_EQ(result.nExit, 0) << result.strErr;
        EXPECT_EQ(ReadFileBytes(m_Dir.File("w.bmp")), EncodedBmp(*c.pExpected));
        const WarpReport& report = c.pExpected->GetWarpReport();
        char szExpected[256];
        std::snprintf(szExpected, sizeof szExpected,
                      "{\"zone\": %d, \"w\": %.17g, \"ex\": %d, \"ey\": %d, \"degenerate\": false, "
                      "\"width\": %d, \"height\": %d, \"xoff\": %d, \"yoff\": %d, \"cut\": false, ",
                      report.nZone, report.dW, report.nEx, report.nEy, c.pExpected->GetWidth(),
                      c.pExpected->GetHeight(), report.nXOff, report.nYOff);
        EXPECT_EQ(result.strOut.rfind(szExpected, 0), 0u) << result.strOut;
        EXPECT_NE(result.strOut.find("\"messages\": ["), std::string::npos);
    }
}

// The camera of a move printed with %.17g (centre, then the columns c, a, b) gives the move's
// very bytes; with --window, those of the windowed warp, whichever way the camera is given.
TEST_F(MorrowWarp, CameraInFullGivesTheBytesOfTheMoveItComesFrom) {
    const double position[3] = {1.2, 2.3, -3.0};
    double freeCOP[3], freeP[3][3], focusCOP[3], focusP[3][3];
    BuildFreeMoveCamera(2, -3, 1, position, m_Source, freeCOP, freeP);
    BuildFocusMoveCamera(0, 8, 0, 0.8, m_Source, focusCOP, focusP);
    const CViewImage freeMove(2, -3, 1, position, m_Source);
    const CViewImage focusMove(0, 8, 0, 0.8, m_Source);
    const CViewImage freeWindow(freeCOP, freeP, m_Source, -40, 10, 120, 90);
    const CViewImage focusWindow(focusCOP, focusP, m_Source, 0, 0, 800, 600);
    auto cameraArgs = [](const double cop[3], const double P[3][3]) {
        std::vector<std::string> args = {"--camera"};
        auto add = [&](double d) {
            char sz[40];
            std::snprintf(sz, sizeof sz, "%.17g", d);
            args.push_back(sz);
        };
        for (int i = 0; i < 3; ++i)
            add(cop[i]);
        for (int nColumn : {2, 0, 1})
            for (int nRow = 0; nRow < 3; ++nRow)
                add(P[nRow][nColumn]);
        return args;
    };
    const struct {
        const char* pszName;
        std::vector<std::string> args;
        const CViewImage* pExpected;
    } cases[] = {
        {"free pose", cameraArgs(freeCOP, freeP), &freeMove},
        {"focus pose", cameraArgs(focusCOP, focusP), &focusMove},
        {"free pose, window", cameraArgs(freeCOP, freeP), &freeWindow},
        {"free move, window", {"--free", "2", "-3", "1", "1.2", "2.3", "-3.0"}, &freeWindow},
        {"focus pose, live window", cameraArgs(focusCOP, focusP), &focusWindow},
        {"focus move, live window", {"--focus", "0", "8", "0", "0.8"}, &focusWindow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::vector<std::string> args = {Data()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", m_Dir.File("w.bmp")});
        const WarpReport& report = c.pExpected->GetWarpReport();
        if (std::string(c.pszName).find("window") != std::string::npos)
            args.insert(args.end(),
                        {"--window", std::to_string(report.nXOff), std::to_string(report.nYOff),
                         std::to_string(c.pExpected->GetWidth()),
                         std::to_string(c.pExpected->GetHeight())});
        std::remove(m_Dir.File("w.bmp").c_str());
        const RunResult result = Warp(m_Dir, args);
        ASSERT_EQ(result.nExit, 0) << result.strErr;
        EXPECT_EQ(ReadFileBytes(m_Dir.File("w.bmp")), EncodedBmp(*c.pExpected));
        EXPECT_NE(result.strOut.find(": " + std::to_string(c.pExpected->GetWidth()) + " x " +
                                     std::to_string(c.pExpected->GetHeight()) + ", window from (" +
                                     std::to_string(report.nXOff) + ", " +
                                     std::to_string(report.nYOff) + ")"),
                  std::string::npos)
            << result.strOut;
    }
}

TEST_F(MorrowWarp, HintShowsTheClassificationWithoutWarping) {
    // Worked out apart from the code, from the room camera as the data file gives it (centre
    // (0.6, 2.1, -3.2), a = (-0.0057310, 0, -0.00069891), b = (-0.00010047, 0.0057135,
    // 0.00082387), c = (0.46044, -0.71225, 0.96990)): solving e0 a + e1 b + W c =
    // (-1.5, 0.5, 2) - C exactly in rationals gives e = (808.204, 416.782, 5.58973), the
    // epipole (144.587, 74.562), rounded (145, 75), over the grid: zone 5.
    RunResult result = Warp(m_Dir, {Data(), "--free", "0", "0", "0", "-1.5", "0.5", "2", "--hint"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut, "Zone: 5  W Value: 5.58973  X Value: 145  Y Value: 75\n");

    // A pure rotation: W is 0 and the fallback zone 5 with the epipole at (0, 0). The hint's
    // window is the one the warp allocates, found from the border alone.
    const CViewImage same(0.0, 0.0, 0.0, 1.0, m_Source);
    result = Warp(m_Dir, {Data(), "--focus", "0", "0", "0", "1", "--hint", "--json"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    char szJson[256];
    std::snprintf(szJson, sizeof szJson,
                  "{\"zone\": 5, \"w\": 0, \"ex\": 0, \"ey\": 0, \"degenerate\": true, "
                  "\"width\": %d, \"height\": %d, \"xoff\": %d, \"yoff\": %d, \"cut\": false, "
                  "\"messages\": []}\n",
                  same.GetWidth(), same.GetHeight(), same.GetWarpReport().nXOff,
                  same.GetWarpReport().nYOff);
    EXPECT_EQ(result.strOut, szJson);
}

} // namespace

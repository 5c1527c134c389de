// The RGB-D and stereo sources end to end: morrow-scene writes them from its ray-cast scenes,
// the importer (in process) and morrow-warp (as a process) read them, and the warps are held
// against the data file's warp and against the ray-cast second view.
#include "Scene.h"
#include "image/ImageFiles.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"

#include "TestSupport.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// How closely two warped images agree: over the samples both drew (not black), the share whose
// colour bytes differ by at most nTolerance, and how many samples only one of them drew.
struct Agreement {
    long nBoth = 0, nClose = 0, nOnlyOne = 0;
    int nMaxDiff = 0;
    double Share() const { return nBoth ? static_cast<double>(nClose) / nBoth : 0.0; }
};

bool Drawn(const PixelSample& s) {
    return ColourToByte(s.red) != 0 || ColourToByte(s.green) != 0 || ColourToByte(s.blue) != 0;
}

// Compares two warped grids over the new-plane positions both windows hold.
Agreement Compare(const CViewImage& a, const CViewImage& b, int nTolerance) {
    Agreement agreement;
    const WarpReport& ra = a.GetWarpReport();
    const WarpReport& rb = b.GetWarpReport();
    const int nX0 = std::max(ra.nXOff, rb.nXOff), nY0 = std::max(ra.nYOff, rb.nYOff);
    const int nX1 = std::min(ra.nXOff + a.GetWidth(), rb.nXOff + b.GetWidth());
    const int nY1 = std::min(ra.nYOff + a.GetHeight(), rb.nYOff + b.GetHeight());
    for (int y = nY0; y < nY1; ++y)
        for (int x = nX0; x < nX1; ++x) {
            const PixelSample& s = a.GetSamples()[(y - ra.nYOff) * a.GetWidth() + (x - ra.nXOff)];
            const PixelSample& t = b.GetSamples()[(y - rb.nYOff) * b.GetWidth() + (x - rb.nXOff)];
            if (Drawn(s) != Drawn(t)) {
                ++agreement.nOnlyOne;
                continue;
            }
            if (!Drawn(s))
                continue;
            ++agreement.nBoth;
            const int nDiff = std::max({std::abs(ColourToByte(s.red) - ColourToByte(t.red)),
                                        std::abs(ColourToByte(s.green) - ColourToByte(t.green)),
                                        std::abs(ColourToByte(s.blue) - ColourToByte(t.blue))});
            agreement.nMaxDiff = std::max(agreement.nMaxDiff, nDiff);
            if (nDiff <= nTolerance)
                ++agreement.nClose;
        }
    return agreement;
}

// A camera-frame offset of the reference camera as a world position.
void WorldPosition(const SceneFrame& frame, const double offset[3], double position[3]) {
    for (int k = 0; k < 3; ++k)
        position[k] = frame.cop[k] + offset[0] * frame.axes[0][k] + offset[1] * frame.axes[1][k] +
                      offset[2] * frame.axes[2][k];
}

// The room imported from colour PNG plus depth warps as its data file does, within the rounding
// of 8-bit colour (the data file's colours have fractions) and of the depth format. Measured:
// PFM and EXR give 99.94 % to 100 % of the samples both draw within one level, and 0.6 % to
// 2.2 % of the positions drawn by one warp only (mostly where a warped vertex falls exactly on
// a sample position, which the imported camera's exact axes make common: the interpolation
// then reports "Too TINY" and leaves the position to a neighbour). A 16-bit PNG depth has no
// infinity, so its sky is unknown and filled with the background's depth, which then moves
// with the background and covers some geometry near the horizon: 95 % to 99.5 % within one
// level there.
TEST(RgbdImport, SceneFromPngAndDepthWarpsLikeItsDataFile) {
    CRecordingSinks sinks;
    CScratchDir dir;
    CViewImage data;
    ASSERT_TRUE(BuildSceneImage("room", data));
    SceneFrame frame;
    ASSERT_TRUE(SceneReferenceFrame("room", 200, 200, frame));
    const double offsets[][3] = {
        {0.3, 0.0, 0.0}, {0.3, 0.1, 0.05}, {-0.2, 0.3, 0.6}, {0.0, 0.0, -1.0}};
    for (const char* pszDepth : {"depth.pfm", "depth.exr", "depth.png"}) {
        SCOPED_TRACE(pszDepth);
        const bool bFloat = std::string(pszDepth) != "depth.png";
        const RunResult scene = Scene(dir, {"--rgbd", dir.File("colour.png"), dir.File(pszDepth)});
        ASSERT_EQ(scene.nExit, 0) << scene.strErr;
        CameraSidecar camera;
        std::string strError;
        ASSERT_TRUE(ReadCameraSidecar(dir.File("colour.camera"), camera, strError)) << strError;
        EXPECT_EQ(camera.bHasDepthScale, !bFloat);
        RgbdInput input;
        input.strColour = dir.File("colour.png");
        input.strDepth = dir.File(pszDepth);
        input.intrinsics = camera.intrinsics;
        input.dDepthScale = camera.dDepthScale;
        CViewImage imported;
        ImportReport report;
        ASSERT_TRUE(ImportRgbd(input, imported, report)) << report.strError;
        EXPECT_EQ(report.nUnknown, bFloat ? 0 : 8901);
        EXPECT_EQ(report.nAtInfinity, bFloat ? 8901 : 0);
        for (const auto& offset : offsets) {
            SCOPED_TRACE(std::to_string(offset[0]) + " " + std::to_string(offset[1]) + " " +
                         std::to_string(offset[2]));
            double position[3];
            WorldPosition(frame, offset, position);
            CViewImage fromData(0, 0, 0, position, data);
            CViewImage fromImport(0, 0, 0, offset, imported);
            const Agreement a = Compare(fromData, fromImport, 1);
            std::printf("%s (%g %g %g): %ld drawn by both, %.4f within 1 (max %d), %ld by one\n",
                        pszDepth, offset[0], offset[1], offset[2], a.nBoth, a.Share(), a.nMaxDiff,
                        a.nOnlyOne);
            EXPECT_GT(a.nBoth, 25000);
            EXPECT_GE(a.Share(), bFloat ? 0.999 : 0.94);
            if (bFloat) {
                // The windows agree within a column or row (a border at an exact integer).
                EXPECT_LE(std::abs(fromData.GetWidth() - fromImport.GetWidth()), 1);
                EXPECT_LE(std::abs(fromData.GetHeight() - fromImport.GetHeight()), 1);
                EXPECT_LT(a.nOnlyOne, a.nBoth / 40);
            }
        }
    }
}

// A stereo folder written by morrow-scene, warped to its second camera (the free move to
// (baseline, 0, 0)), shows what the ray-cast second view shows wherever both see geometry;
// morrow-warp writes the same warp as a PNG. Measured: 93.7 % of those samples within 8
// levels; the rest lie on texture and depth edges, which the warp blends across. (This move
// also leaves black specks: every warped row lies exactly on a sample row, and positions on
// a shared edge or vertex are dropped by both triangles; a y nudged by 1e-7 draws them, with
// the same share.)
TEST(StereoImport, FolderWarpedToTheSecondCameraMatchesTheSecondView) {
    CRecordingSinks sinks;
    CScratchDir dir;
    const double dBaseline = 0.3;
    const RunResult scene = Scene(dir, {"--stereo", dir.File("pair"), "--baseline", "0.3"});
    ASSERT_EQ(scene.nExit, 0) << scene.strErr;
    CViewImage imported;
    ImportReport report;
    ASSERT_TRUE(ImportStereoFolder(dir.File("pair"), imported, report)) << report.strError;
    EXPECT_EQ(report.nAtInfinity, 0);
    EXPECT_EQ(report.nUnknown, 8901); // the sky has no disparity
    const double position[3] = {dBaseline, 0.0, 0.0};
    CViewImage warped(0, 0, 0, position, imported);
    const WarpReport& warp = warped.GetWarpReport();

    // The second view over the warp's window, ray-cast in the world of the scene.
    CViewImage reference;
    ASSERT_TRUE(BuildSceneImage("room", reference));
    SceneFrame frame;
    ASSERT_TRUE(SceneReferenceFrame("room", 200, 200, frame));
    const double offset[3] = {dBaseline, 0.0, 0.0};
    double cop1[3];
    WorldPosition(frame, offset, cop1);
    SceneTruth truth;
    ASSERT_TRUE(RayCastScene("room", cop1, reference.GetP(), warp.nXOff, warp.nYOff,
                             warped.GetWidth(), warped.GetHeight(), truth));
    long nBoth = 0, nClose = 0;
    for (size_t i = 0; i < truth.samples.size(); ++i) {
        const PixelSample& s = warped.GetSamples()[i];
        if (!truth.mask[i] || !Drawn(s))
            continue;
        ++nBoth;
        const PixelSample& t = truth.samples[i];
        const int nDiff = std::max({std::abs(ColourToByte(s.red) - ColourToByte(t.red)),
                                    std::abs(ColourToByte(s.green) - ColourToByte(t.green)),
                                    std::abs(ColourToByte(s.blue) - ColourToByte(t.blue))});
        if (nDiff <= 8)
            ++nClose;
    }
    std::printf("stereo: %ld samples where both see geometry, %.4f within 8 levels\n", nBoth,
                nBoth ? static_cast<double>(nClose) / nBoth : 0.0);
    EXPECT_GT(nBoth, 25000);
    EXPECT_GE(static_cast<double>(nClose) / nBoth, 0.92);

    const RunResult run = Warp(dir, {dir.File("pair"), "--free", "0", "0", "0", "0.3", "0", "0",
                                     "-o", dir.File("warped.png")});
    ASSERT_EQ(run.nExit, 0) << run.strErr;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(EncodePng(warped, bytes));
    EXPECT_EQ(ReadFileBytes(dir.File("warped.png")), std::string(bytes.begin(), bytes.end()));
}

// Any size: morrow-scene writes a W x H RGB-D scene and a stereo folder, and the import gives a
// W x H view image with the ray-cast reference camera (in its own frame) and the ray-cast
// colours.
TEST(RgbdImport, ScenesOfAnySizeImportWithTheirCamera) {
    CScratchDir dir;
    ASSERT_EQ(Scene(dir, {"--preset", "spheres", "--size", "37", "23", "--rgbd", dir.File("c.png"),
                          dir.File("d.exr")})
                  .nExit,
              0);
    ASSERT_EQ(
        Scene(dir, {"--preset", "spheres", "--size", "37", "23", "--stereo", dir.File("pair")})
            .nExit,
        0);
    CViewImage built;
    ASSERT_TRUE(BuildSceneImage("spheres", 37, 23, built));
    SceneFrame frame;
    ASSERT_TRUE(SceneReferenceFrame("spheres", 37, 23, frame));
    const RunResult rgbd = Warp(dir, {dir.File("c.png"), "--depth", dir.File("d.exr"), "--source",
                                      "-o", dir.File("s.png")});
    ASSERT_EQ(rgbd.nExit, 0) << rgbd.strErr;
    EXPECT_EQ(ReadFileBytes(dir.File("s.png")), ReadFileBytes(dir.File("c.png")));
    for (int nKind = 0; nKind < 2; ++nKind) {
        SCOPED_TRACE(nKind ? "stereo" : "rgbd");
        CViewImage imported;
        ImportReport report;
        if (nKind == 0) {
            RgbdInput input;
            input.strColour = dir.File("c.png");
            input.strDepth = dir.File("d.exr");
            input.intrinsics = frame.intrinsics;
            ASSERT_TRUE(ImportRgbd(input, imported, report)) << report.strError;
        } else {
            ASSERT_TRUE(ImportStereoFolder(dir.File("pair"), imported, report)) << report.strError;
        }
        ASSERT_EQ(imported.GetWidth(), 37);
        ASSERT_EQ(imported.GetHeight(), 23);
        // The scene's camera matrix in its own frame (columns dotted with the axes) is the
        // imported one, within rounding.
        for (int nCol = 0; nCol < 3; ++nCol)
            for (int k = 0; k < 3; ++k) {
                double d = 0.0;
                for (int i = 0; i < 3; ++i)
                    d += built.GetP()[i][nCol] * frame.axes[k][i];
                EXPECT_NEAR(imported.GetP()[k][nCol], d, 1e-12) << nCol << "," << k;
            }
        for (int i = 0; i < 37 * 23; ++i) {
            const PixelSample& s = imported.GetSamples()[i];
            const PixelSample& t = built.GetSamples()[i];
            ASSERT_EQ(s.red, ColourToByte(t.red)) << i;
            ASSERT_EQ(s.blue, ColourToByte(t.blue)) << i;
            // Float depth: the disparity within float rounding where the scene has geometry.
            if (t.disparity > 0.0) {
                ASSERT_NEAR(s.disparity, t.disparity, 1e-6 * t.disparity) << i;
            } else if (nKind == 0) {
                ASSERT_EQ(s.disparity, 0.0) << i;
            }
        }
    }
}

// morrow-warp --rgbd-out writes a move's result as RGB-D: the PNG that -o writes, the depth map
// and the camera file naming it, which morrow-warp imports again (its --source is the same
// PNG) and warps on. Bad combinations are refused before anything is read, a depth map it
// cannot write after the warp, with nothing written.
TEST(RgbdImport, MorrowWarpWritesAMoveAsRgbdThatItReadsAgain) {
    CScratchDir dir;
    ASSERT_EQ(Scene(dir, {"--stereo", dir.File("pair")}).nExit, 0);
    const std::vector<std::string> move = {
        dir.File("pair"), "--free", "0", "0", "0", "0.3", "0", "0"};
    for (const char* pszDepth : {"", "w.exr"}) {
        SCOPED_TRACE(pszDepth);
        std::vector<std::string> args = move;
        args.insert(args.end(), {"-o", dir.File("o.png"), "--rgbd-out", dir.File("w.png")});
        if (*pszDepth)
            args.insert(args.end(), {"--rgbd-depth", dir.File(pszDepth)});
        const RunResult run = Warp(dir, args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_NE(run.strOut.find("Wrote " + dir.File("w.png") + " as RGB-D: 215 x 202"),
                  std::string::npos)
            << run.strOut;
        EXPECT_EQ(ReadFileBytes(dir.File("w.png")), ReadFileBytes(dir.File("o.png")));
        CameraSidecar camera;
        std::string strError;
        ASSERT_TRUE(ReadCameraSidecar(dir.File("w.camera"), camera, strError)) << strError;
        EXPECT_EQ(camera.strDepth, *pszDepth ? pszDepth : "w.pfm");
        const RunResult again =
            Warp(dir, {dir.File("w.png"), "--source", "-o", dir.File("again.png")});
        ASSERT_EQ(again.nExit, 0) << again.strErr;
        EXPECT_EQ(ReadFileBytes(dir.File("again.png")), ReadFileBytes(dir.File("w.png")));
        const RunResult on = Warp(dir, {dir.File("w.png"), "--free", "0", "0", "0", "-0.3", "0",
                                        "0", "--rgbd-out", dir.File("back.png")});
        EXPECT_EQ(on.nExit, 0) << on.strErr;
    }

    const struct {
        std::vector<std::string> args;
        int nExit;
        std::string strLine; // the start of stderr, after "morrow-warp: "
    } cases[] = {
        {{"--rgbd-out", dir.File("x.bmp")}, 1, "--rgbd-out needs a .png name"},
        {{"--rgbd-depth", dir.File("x.pfm")}, 1, "--rgbd-depth goes with --rgbd-out"},
        {{"--rgbd-out"}, 1, "--rgbd-out needs a file name"},
        {{"--rgbd-out", dir.File("x.png"), "--rgbd-depth", dir.File("x.png16")},
         3,
         dir.File("x.png16") + ": the depth of a warp is written as .pfm or .exr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strLine);
        std::vector<std::string> args = move;
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult result = Warp(dir, args);
        EXPECT_EQ(result.nExit, c.nExit);
        EXPECT_EQ(result.strErr.rfind("morrow-warp: " + c.strLine, 0), 0u) << result.strErr;
        EXPECT_EQ(ReadFileBytes(dir.File("x.png")), "");
        EXPECT_EQ(ReadFileBytes(dir.File("x.camera")), "");
    }
    const RunResult source =
        Warp(dir, {dir.File("pair"), "--source", "--rgbd-out", dir.File("x.png")});
    EXPECT_EQ(source.nExit, 1);
    EXPECT_NE(source.strErr.find("--rgbd-out writes the result of --free, --focus or --camera"),
              std::string::npos)
        << source.strErr;
    const RunResult help = Warp(dir, {"--help"});
    EXPECT_NE(help.strOut.find("--rgbd-out OUT.png"), std::string::npos) << help.strOut;
}

// morrow-warp on bad sources: exit code 2, one line on stderr that names the file and the
// fault, and no output written. --help answers with the usage on both tools.
TEST(RgbdImport, MorrowWarpNamesBadSources) {
    CScratchDir dir;
    ASSERT_EQ(Scene(dir, {"--rgbd", dir.File("c.png"), dir.File("d.pfm")}).nExit, 0);
    ASSERT_EQ(
        Scene(dir, {"--size", "20", "10", "--rgbd", dir.File("small.png"), dir.File("small.pfm")})
            .nExit,
        0);
    ASSERT_EQ(Scene(dir, {"--stereo", dir.File("pair")}).nExit, 0);
    WriteFileBytes(dir.File("pair/calib.txt"), "cam0=[100 0 2; 0 100 2; 0 0 1]\ndoffs=0\n");
    WriteFileBytes(dir.File("bad.camera"), "fx 100\nfy 100\ncx 10\n");
    WriteFileBytes(dir.File("alone.png"), ReadFileBytes(dir.File("c.png"))); // no camera file
    const std::string strOut = dir.File("out.png");
    const struct {
        std::vector<std::string> args;
        std::string strLine; // the start of the one stderr line, after "morrow-warp: "
    } cases[] = {
        {{dir.File("missing.png"), "--depth", dir.File("d.pfm"), "--intrinsics", "100", "100",
          "99.5", "99.5"},
         dir.File("missing.png") + ": cannot open the file"},
        {{dir.File("c.png"), "--depth", dir.File("small.pfm"), "--intrinsics", "100", "100", "99.5",
          "99.5"},
         dir.File("small.pfm") + ": 20 x 10 pixels, but the colour image"},
        {{dir.File("c.png"), "--depth", dir.File("c.png"), "--intrinsics", "100", "100", "99.5",
          "99.5"},
         dir.File("c.png") + ": 3 channels; a depth map has one"},
        {{dir.File("c.png"), "--depth", dir.File("d.pfm"), "--camera", dir.File("bad.camera")},
         dir.File("bad.camera") + ": no cy"},
        {{dir.File("alone.png"), "--depth", dir.File("d.pfm")},
         dir.File("alone.png") + ": no intrinsics"},
        {{dir.File("pair")}, dir.File("pair") + "/calib.txt: no baseline"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strLine);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--free", "0", "0", "0", "0.3", "0", "0", "-o", strOut});
        const RunResult result = Warp(dir, args);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_EQ(result.strErr.rfind("morrow-warp: " + c.strLine, 0), 0u) << result.strErr;
        EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1) << result.strErr;
        EXPECT_EQ(ReadFileBytes(strOut), "");
    }
    // The colour image's own camera file is found without --camera, and names the depth map.
    for (const std::vector<std::string>& depth :
         {std::vector<std::string>{"--depth", dir.File("d.pfm")}, std::vector<std::string>{}}) {
        std::vector<std::string> args = {dir.File("c.png")};
        args.insert(args.end(), depth.begin(), depth.end());
        args.insert(args.end(), {"--source", "-o", strOut});
        const RunResult found = Warp(dir, args);
        EXPECT_EQ(found.nExit, 0) << found.strErr;
        EXPECT_NE(found.strOut.find("200 x 200, depth "), std::string::npos) << found.strOut;
        EXPECT_EQ(ReadFileBytes(strOut), ReadFileBytes(dir.File("c.png")));
    }

    for (const char* pszTool : {MORROW_WARP_PATH, MORROW_SCENE_PATH}) {
        const RunResult help = ::Run(dir, pszTool, {"--help"});
        EXPECT_EQ(help.nExit, 0);
        EXPECT_EQ(help.strOut.rfind("usage: morrow-", 0), 0u) << help.strOut;
        EXPECT_EQ(help.strErr, "");
    }
}

} // namespace

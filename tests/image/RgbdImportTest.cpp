// The image files beside the BMP writer and the RGB-D importers: PNG layout and colours, float
// maps, the depth-to-disparity conversion with its camera, the fill of unknown depth, the stereo
// folder, and the table of bad inputs (one clear message, the target untouched).
#include "image/RgbdImport.h"
#include "image/ImageFiles.h"
#include "image/ViewImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A 6 x 5 image whose every sample has its own colour: red = 40 x + 0.7, green = 50 y, blue
// 200 (grid order, row 0 the bottom).
void FillImage(CViewImage& image, int nWidth = 6, int nHeight = 5) {
    PixelSample* pSamples = new PixelSample[static_cast<size_t>(nWidth) * nHeight];
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            pSamples[y * nWidth + x] = {40.0 * x + 0.7, 50.0 * y, 200.0, 1.0};
    image.SetWidth(nWidth);
    image.SetHeight(nHeight);
    image.SetSamples(pSamples);
}

// A file read back through the image library: size, channels, values top row first.
struct ReadBack {
    int nWidth = 0, nHeight = 0, nChannels = 0;
    std::string strFormat;
    std::vector<float> values;
};

ReadBack ReadImage(const std::string& strPath) {
    ReadBack read;
    std::unique_ptr<OIIO::ImageInput> pIn = OIIO::ImageInput::open(strPath);
    if (!pIn)
        return read;
    const OIIO::ImageSpec& layout = pIn->spec_dimensions(0);
    read.nWidth = layout.width;
    read.nHeight = layout.height;
    read.nChannels = layout.nchannels;
    read.strFormat = layout.format.c_str();
    read.values.resize(static_cast<size_t>(layout.width) * layout.height * layout.nchannels);
    // Integer pixels come back as their own values, not scaled to 0..1.
    if (layout.format == OIIO::TypeDesc::UINT8 || layout.format == OIIO::TypeDesc::UINT16) {
        std::vector<uint16_t> raw(read.values.size());
        pIn->read_image(0, 0, 0, layout.nchannels, OIIO::TypeDesc::UINT16, raw.data());
        const double dScale = layout.format == OIIO::TypeDesc::UINT8 ? 257.0 : 1.0;
        for (size_t i = 0; i < raw.size(); ++i)
            read.values[i] = static_cast<float>(raw[i] / dScale);
    } else {
        pIn->read_image(0, 0, 0, layout.nchannels, OIIO::TypeDesc::FLOAT, read.values.data());
    }
    return read;
}

// Writes a test image file through the image library (any size, channels and type).
void WriteTestImage(const std::string& strPath, int nWidth, int nHeight, int nChannels,
                    OIIO::TypeDesc type, const std::vector<float>& values) {
    std::unique_ptr<OIIO::ImageOutput> pOut = OIIO::ImageOutput::create(strPath);
    ASSERT_TRUE(pOut);
    OIIO::ImageSpec layout(nWidth, nHeight, nChannels, type);
    ASSERT_TRUE(pOut->open(strPath, layout));
    if (type == OIIO::TypeDesc::UINT8 || type == OIIO::TypeDesc::UINT16) {
        std::vector<uint16_t> raw(values.begin(), values.end());
        if (type == OIIO::TypeDesc::UINT8)
            for (uint16_t& n : raw)
                n = static_cast<uint16_t>(n * 257);
        ASSERT_TRUE(pOut->write_image(OIIO::TypeDesc::UINT16, raw.data()));
    } else {
        ASSERT_TRUE(pOut->write_image(OIIO::TypeDesc::FLOAT, values.data()));
    }
    ASSERT_TRUE(pOut->close());
}

TEST(PngWriter, TopRowFirstWithTheBmpColours) {
    CScratchDir dir;
    CViewImage image;
    FillImage(image);
    // Colours beyond a byte follow ColourToByte: 256 gives 0, NaN gives 0, -1 gives 255.
    image.GetSamples()[0] = {256.0, std::nan(""), -1.0, 1.0};
    for (const char* pszName : {"a.png", "b.PNG"}) {
        ASSERT_TRUE(WriteImageFile(image, dir.File(pszName).c_str()));
        const ReadBack read = ReadImage(dir.File(pszName));
        ASSERT_EQ(read.nWidth, 6);
        ASSERT_EQ(read.nHeight, 5);
        ASSERT_EQ(read.nChannels, 3);
        EXPECT_EQ(read.strFormat, "uint8");
        for (int nRow = 0; nRow < 5; ++nRow)
            for (int x = 0; x < 6; ++x) {
                const PixelSample& s = image.GetSamples()[(4 - nRow) * 6 + x];
                const float* p = &read.values[(nRow * 6 + x) * 3];
                EXPECT_EQ(p[0], ColourToByte(s.red)) << x << "," << nRow;
                EXPECT_EQ(p[1], ColourToByte(s.green));
                EXPECT_EQ(p[2], ColourToByte(s.blue));
            }
    }
    // Any other name stays a BMP, byte for byte the BMP writer's.
    ASSERT_TRUE(WriteImageFile(image, dir.File("c.bmp").c_str()));
    std::vector<unsigned char> bmp;
    ASSERT_TRUE(image.EncodeBmp(bmp));
    EXPECT_EQ(ReadFileBytes(dir.File("c.bmp")), std::string(bmp.begin(), bmp.end()));
    // The same image gives the same bytes; nothing to write leaves the old file alone.
    std::vector<unsigned char> again;
    ASSERT_TRUE(EncodePng(image, again));
    EXPECT_EQ(ReadFileBytes(dir.File("a.png")), std::string(again.begin(), again.end()));
    CViewImage empty;
    EXPECT_FALSE(WritePng(empty, dir.File("a.png").c_str()));
    EXPECT_EQ(ReadFileBytes(dir.File("a.png")), std::string(again.begin(), again.end()));
    EXPECT_FALSE(WritePng(image, dir.File("no/folder/x.png").c_str()));
}

TEST(RgbdWriter, ColourAndDepthReadBackInEveryDepthFormat) {
    CScratchDir dir;
    CViewImage image;
    FillImage(image);
    std::vector<double> depth(30);
    for (int i = 0; i < 30; ++i)
        depth[i] = 0.5 + 0.25 * i;
    depth[7] = kInf;
    depth[8] = 0.0;
    depth[9] = 1e300; // beyond float: infinitely far
    for (const char* pszDepth : {"d.pfm", "d.exr", "d.png"}) {
        SCOPED_TRACE(pszDepth);
        std::string strError;
        ASSERT_TRUE(WriteRgbd(image, depth, dir.File("c.png").c_str(), dir.File(pszDepth).c_str(),
                              &strError, 0.25))
            << strError;
        const ReadBack read = ReadImage(dir.File(pszDepth));
        ASSERT_EQ(read.nWidth, 6);
        ASSERT_EQ(read.nHeight, 5);
        ASSERT_EQ(read.nChannels, 1);
        const bool bPng = std::string(pszDepth) == "d.png";
        EXPECT_EQ(read.strFormat, bPng ? "uint16" : "float");
        for (int nRow = 0; nRow < 5; ++nRow)
            for (int x = 0; x < 6; ++x) {
                const double d = depth[(4 - nRow) * 6 + x];
                const float f = read.values[nRow * 6 + x];
                if (bPng)
                    EXPECT_EQ(f, std::isfinite(d) && d / 0.25 < 65535.5 ? std::floor(d / 0.25 + 0.5)
                                                                        : 0.0);
                else
                    EXPECT_EQ(f, std::isfinite(d) && d < 1e38 ? static_cast<float>(d)
                                 : d > 0                      ? INFINITY
                                                              : 0.0f);
            }
        // The same values give the same file (no time stamp in the EXR).
        const std::string strFirst = ReadFileBytes(dir.File(pszDepth));
        ASSERT_TRUE(WriteRgbd(image, depth, dir.File("c.png").c_str(), dir.File(pszDepth).c_str(),
                              &strError, 0.25));
        EXPECT_EQ(ReadFileBytes(dir.File(pszDepth)), strFirst);
    }
    std::string strError;
    EXPECT_FALSE(WriteRgbd(image, std::vector<double>(29, 1.0), dir.File("c.png").c_str(),
                           dir.File("d.pfm").c_str(), &strError));
    EXPECT_EQ(strError.rfind(dir.File("d.pfm") + ": the depth holds 29 values for 30", 0), 0u);
    EXPECT_FALSE(
        WriteRgbd(image, depth, dir.File("c.png").c_str(), dir.File("d.tga").c_str(), &strError));
    EXPECT_EQ(strError, dir.File("d.tga") + ": a depth map is written as .pfm, .exr or .png");
}

// Imports what WriteRgbd wrote: the camera of the documented formulas, disparity 1/Z with
// Z the stored float, the fill of unknown depth, the bounds and the counts.
TEST(RgbdImport, DepthBecomesDisparityWithTheDocumentedCamera) {
    CScratchDir dir;
    CViewImage image;
    FillImage(image);
    // Grid rows bottom to top; row 4 (the file's top row) has no known depth at all.
    const double k = 0.0; // unknown
    const std::vector<double> depth = {
        2.0, k,   4.0, k,    k,   8.0, // row 0: holes between known values, and at the end
        k,   1.0, 2.0, kInf, 4.0, 5.0, // row 1: a sample at infinity
        3.0, 3.0, 3.0, 3.0,  3.0, 3.0, // row 2
        1.5, 1.5, 1.5, 1.5,  1.5, k,   // row 3
        k,   k,   k,   k,    k,   k};  // row 4
    std::string strError;
    ASSERT_TRUE(
        WriteRgbd(image, depth, dir.File("c.png").c_str(), dir.File("d.pfm").c_str(), &strError));
    RgbdInput input;
    input.strColour = dir.File("c.png");
    input.strDepth = dir.File("d.pfm");
    input.intrinsics = {4.0, 5.0, 2.5, 1.0};
    input.dDepthScale = 2.0;
    CViewImage imported;
    ImportReport report;
    ASSERT_TRUE(ImportRgbd(input, imported, report)) << report.strError;
    EXPECT_EQ(report.nWidth, 6);
    EXPECT_EQ(report.nHeight, 5);
    EXPECT_EQ(report.nUnknown, 11);
    EXPECT_EQ(report.nAtInfinity, 1);
    ASSERT_EQ(imported.GetWidth(), 6);
    ASSERT_EQ(imported.GetHeight(), 5);
    EXPECT_EQ(imported.GetFileName(), dir.File("c.png"));

    const double cop[3] = {0, 0, 0};
    EXPECT_EQ(std::memcmp(imported.GetCOP(), cop, sizeof cop), 0);
    const double(*P)[3] = imported.GetP();
    // a = (1/fx, 0, 0), b = (0, 1/fy, 0), c = (-cx/fx, -((H-1) - cy)/fy, 1).
    const double expected[3][3] = {{0.25, 0.0, -2.5 / 4.0}, {0.0, 0.2, -3.0 / 5.0}, {0, 0, 1}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(P[r][c], expected[r][c]) << r << "," << c;

    auto disparity = [&](int x, int y) { return imported.GetSamples()[y * 6 + x].disparity; };
    auto of = [](double dDepth) { return 1.0 / (static_cast<float>(dDepth) * 2.0); };
    EXPECT_EQ(disparity(0, 0), of(2.0));
    EXPECT_EQ(disparity(1, 0), of(4.0)); // the farther of 2 and 4
    EXPECT_EQ(disparity(3, 0), of(8.0)); // the farther of 4 and 8
    EXPECT_EQ(disparity(4, 0), of(8.0));
    EXPECT_EQ(disparity(0, 1), of(1.0)); // only a right neighbour
    EXPECT_EQ(disparity(3, 1), 0.0);     // at infinity
    EXPECT_EQ(disparity(5, 3), of(1.5)); // only a left neighbour
    // A row without a known value takes the image's farthest, here the point at infinity.
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(disparity(x, 4), 0.0);
    // Colours come through as bytes, in grid order.
    EXPECT_EQ(imported.GetSamples()[3 * 6 + 2].red, 80.0);
    EXPECT_EQ(imported.GetSamples()[3 * 6 + 2].green, 150.0);

    // The bounds are the box of the points with a finite depth: the nearest at Z = 2 (depth
    // 1 scaled), the farthest at Z = 16, x from the left column's ray at the farthest point.
    const double* pBounds = imported.GetSceneBounds();
    EXPECT_DOUBLE_EQ(pBounds[4], 2.0);
    EXPECT_DOUBLE_EQ(pBounds[5], 16.0);
    EXPECT_DOUBLE_EQ(report.dNearest, 2.0);
    EXPECT_DOUBLE_EQ(report.dFarthest, 16.0);
    EXPECT_DOUBLE_EQ(pBounds[1], (5 * 0.25 - 0.625) * 16.0); // pixel (5, 0) at Z = 16
}

// Colour images of 16 bits (onto 0..255 by 257), grey (copied to all three channels) and JPEG
// (8 bits, lossy) import beside the 8-bit RGB PNG; a TIFF float map serves as depth.
TEST(RgbdImport, ColourInEightOrSixteenBitsAndGrey) {
    CScratchDir dir;
    std::vector<float> rgb(90), grey(30), depth(30, 2.5f);
    for (int i = 0; i < 30; ++i) {
        rgb[i * 3] = static_cast<float>(i * 8);
        rgb[i * 3 + 1] = 100.0f;
        rgb[i * 3 + 2] = 255.0f;
        grey[i] = static_cast<float>(i * 7);
    }
    std::vector<float> wide(rgb);
    for (float& f : wide)
        f *= 257.0f;
    WriteTestImage(dir.File("wide.png"), 6, 5, 3, OIIO::TypeDesc::UINT16, wide);
    WriteTestImage(dir.File("grey.png"), 6, 5, 1, OIIO::TypeDesc::UINT8, grey);
    WriteTestImage(dir.File("photo.jpg"), 6, 5, 3, OIIO::TypeDesc::UINT8, rgb);
    WriteTestImage(dir.File("depth.tif"), 6, 5, 1, OIIO::TypeDesc::FLOAT, depth);
    for (const char* pszColour : {"wide.png", "grey.png", "photo.jpg"}) {
        SCOPED_TRACE(pszColour);
        RgbdInput input;
        input.strColour = dir.File(pszColour);
        input.strDepth = dir.File("depth.tif");
        input.intrinsics = {4.0, 4.0, 2.5, 2.0};
        CViewImage imported;
        ImportReport report;
        ASSERT_TRUE(ImportRgbd(input, imported, report)) << report.strError;
        ASSERT_EQ(imported.GetWidth(), 6);
        for (int nRow = 0; nRow < 5; ++nRow)
            for (int x = 0; x < 6; ++x) {
                const int i = nRow * 6 + x; // file order, top row first
                const PixelSample& s = imported.GetSamples()[(4 - nRow) * 6 + x];
                EXPECT_EQ(s.disparity, 1.0 / 2.5);
                if (std::string(pszColour) == "grey.png") {
                    EXPECT_EQ(s.red, grey[i]);
                    EXPECT_EQ(s.blue, grey[i]);
                } else if (std::string(pszColour) == "wide.png") {
                    EXPECT_EQ(s.red, rgb[i * 3]);
                    EXPECT_EQ(s.green, 100.0);
                } else {
                    EXPECT_NEAR(s.green, 100.0, 40.0);
                }
            }
    }
}

TEST(StereoImport, DisparityBecomesDepthThroughTheCalibration) {
    CScratchDir dir;
    const std::string strFolder = dir.File("pair");
    ASSERT_EQ(::mkdir(strFolder.c_str(), 0777), 0);
    CViewImage image;
    FillImage(image);
    ASSERT_TRUE(WritePng(image, (strFolder + "/im0.png").c_str()));
    // Disparities top row first, as the file holds them: infinity and 0 are unknown, and so is
    // a disparity with d + doffs <= 0.
    std::vector<float> values(30, 10.0f);
    values[0] = INFINITY;
    values[1] = 0.0f;
    values[2] = -3.0f;
    values[3] = 30.0f;
    std::vector<float> gridOrder(30);
    for (int nRow = 0; nRow < 5; ++nRow)
        for (int x = 0; x < 6; ++x)
            gridOrder[(4 - nRow) * 6 + x] = values[nRow * 6 + x];
    std::vector<unsigned char> bytes;
    std::string strError;
    ASSERT_TRUE(EncodeFloatMap("disp0.pfm", 6, 5, gridOrder, bytes, &strError)) << strError;
    WriteFileBytes(strFolder + "/disp0.pfm", std::string(bytes.begin(), bytes.end()));
    WriteFileBytes(strFolder + "/calib.txt",
                   "cam0=[100 0 2.5; 0 100 1.5; 0 0 1]\ncam1=[100 0 4.5; 0 100 1.5; 0 0 1]\n"
                   "doffs=2\nbaseline=150.5\nwidth=6\nheight=5\nndisp=64\n");
    CViewImage imported;
    ImportReport report;
    ASSERT_TRUE(ImportStereoFolder(strFolder, imported, report)) << report.strError;
    EXPECT_EQ(report.nUnknown, 3);
    // Grid row 4 is the file's top row: Z = baseline f / (d + doffs), disparity 1/Z.
    EXPECT_EQ(imported.GetSamples()[4 * 6 + 3].disparity, 1.0 / (150.5 * 100.0 / (30.0 + 2.0)));
    EXPECT_EQ(imported.GetSamples()[0].disparity, 1.0 / (150.5 * 100.0 / (10.0 + 2.0)));
    // The unknown ones have only a right neighbour in their row, d = 30.
    EXPECT_EQ(imported.GetSamples()[4 * 6 + 0].disparity, 1.0 / (150.5 * 100.0 / 32.0));
    EXPECT_EQ(imported.GetSamples()[4 * 6 + 2].disparity, 1.0 / (150.5 * 100.0 / 32.0));
    EXPECT_EQ(imported.GetP()[0][2], -2.5 / 100.0);
    EXPECT_EQ(imported.GetP()[1][2], -(4 - 1.5) / 100.0);
}

// Every bad input gives one line "FILE: fault" and leaves the target image as it was.
TEST(RgbdImport, BadInputsAreNamedAndLeaveTheImageUntouched) {
    CScratchDir dir;
    CViewImage image;
    FillImage(image);
    std::vector<double> depth(30, 2.0);
    std::string strError;
    ASSERT_TRUE(
        WriteRgbd(image, depth, dir.File("c.png").c_str(), dir.File("d.pfm").c_str(), &strError));
    const std::vector<float> zeros(30, 0.0f), twos(30, 2.0f), grey(90, 100.0f);
    WriteTestImage(dir.File("rgba.png"), 6, 5, 4, OIIO::TypeDesc::UINT8,
                   std::vector<float>(120, 9));
    WriteTestImage(dir.File("float.exr"), 6, 5, 3, OIIO::TypeDesc::FLOAT, grey);
    WriteTestImage(dir.File("eight.png"), 6, 5, 1, OIIO::TypeDesc::UINT8, twos);
    WriteTestImage(dir.File("three.exr"), 6, 5, 3, OIIO::TypeDesc::FLOAT, grey);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(EncodeFloatMap("zeros.pfm", 6, 5, zeros, bytes, &strError));
    WriteFileBytes(dir.File("zeros.pfm"), std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(EncodeFloatMap("small.pfm", 5, 5, std::vector<float>(25, 2.0f), bytes, &strError));
    WriteFileBytes(dir.File("small.pfm"), std::string(bytes.begin(), bytes.end()));
    WriteTestImage(dir.File("tiny.png"), 1, 1, 3, OIIO::TypeDesc::UINT8, {1, 2, 3});
    WriteFileBytes(dir.File("junk.png"), "not a picture at all");
    ASSERT_EQ(::mkdir(dir.File("folder.png").c_str(), 0777), 0);

    const struct {
        const char *pszColour, *pszDepth;
        const char* pszFile; // the file the message names
        const char* pszFault;
    } cases[] = {
        {"missing.png", "d.pfm", "missing.png", "cannot open the file"},
        {"c.png", "missing.pfm", "missing.pfm", "cannot open the file"},
        {"folder.png", "d.pfm", "folder.png", "is a folder"},
        {"junk.png", "d.pfm", "junk.png", "not a readable image"},
        {"rgba.png", "d.pfm", "rgba.png", "4 channels (with alpha)"},
        {"float.exr", "d.pfm", "float.exr", "float colour values"},
        {"tiny.png", "d.pfm", "tiny.png", "an image of 1 x 1 pixels"},
        {"c.png", "eight.png", "eight.png", "uint8 values; a depth map holds 16-bit"},
        {"c.png", "three.exr", "three.exr", "3 channels; a depth map has one"},
        {"c.png", "small.pfm", "small.pfm", "5 x 5 pixels, but the colour image"},
        {"c.png", "zeros.pfm", "zeros.pfm", "no usable depth"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszFault);
        CViewImage target;
        FillImage(target, 3, 2);
        RgbdInput input;
        input.strColour = dir.File(c.pszColour);
        input.strDepth = dir.File(c.pszDepth);
        input.intrinsics = {4.0, 4.0, 2.5, 2.0};
        ImportReport report;
        EXPECT_FALSE(ImportRgbd(input, target, report));
        EXPECT_FALSE(report.bOk);
        EXPECT_EQ(report.strError.rfind(dir.File(c.pszFile) + ": ", 0), 0u) << report.strError;
        EXPECT_NE(report.strError.find(c.pszFault), std::string::npos) << report.strError;
        EXPECT_EQ(report.strError.find('\n'), std::string::npos);
        EXPECT_EQ(target.GetWidth(), 3);
        EXPECT_EQ(target.GetHeight(), 2);
        EXPECT_EQ(target.GetSamples()[5].red, 80.7);
        EXPECT_TRUE(target.GetFileName().empty());
    }

    // The stereo folder: its calibration.
    const std::string strFolder = dir.File("pair");
    ASSERT_EQ(::mkdir(strFolder.c_str(), 0777), 0);
    ASSERT_TRUE(WritePng(image, (strFolder + "/im0.png").c_str()));
    ASSERT_TRUE(EncodeFloatMap("x.pfm", 6, 5, twos, bytes, &strError));
    WriteFileBytes(strFolder + "/disp0.pfm", std::string(bytes.begin(), bytes.end()));
    const struct {
        const char* pszCalib; // null: no calib.txt
        const char* pszFault;
    } calibs[] = {
        {nullptr, "calib.txt: cannot open the file"},
        {"doffs=0\nbaseline=1\n", "calib.txt: no cam0"},
        {"cam0=[100 0 2; 0 100 2; 0 0 1]\ndoffs=0\n", "calib.txt: no baseline"},
        {"cam0=[100 0 2; 0 100 2]\nbaseline=1\n", "calib.txt: cam0 is not a matrix"},
        {"cam0=[100 0 2; 0 100 2; 0 0 1]\nbaseline=1,5\n", "calib.txt: baseline is not a number"},
        {"cam0=[100 0 2; 0 100 2; 0 0 1]\nbaseline=1\nwidth=7\n", "calib.txt: says width=7, but "},
    };
    for (const auto& c : calibs) {
        SCOPED_TRACE(c.pszFault);
        ::unlink((strFolder + "/calib.txt").c_str());
        if (c.pszCalib)
            WriteFileBytes(strFolder + "/calib.txt", c.pszCalib);
        CViewImage target;
        FillImage(target, 3, 2);
        ImportReport report;
        EXPECT_FALSE(ImportStereoFolder(strFolder, target, report));
        EXPECT_EQ(report.strError.rfind(strFolder + "/" + c.pszFault, 0), 0u) << report.strError;
        EXPECT_EQ(target.GetWidth(), 3);
    }
}

TEST(CameraSidecar, ReadsItsKeysAndNamesWhatIsWrong) {
    CScratchDir dir;
    const std::string strGood = "# camera\nfx 525\nfy 524.5  # comment\ncx 319.5\n\ncy 239.5\n"
                                "depth_scale 0.0002\ndepth depth/0001.png\n";
    WriteFileBytes(dir.File("good.camera"), strGood);
    CameraSidecar sidecar;
    std::string strError;
    ASSERT_TRUE(ReadCameraSidecar(dir.File("good.camera"), sidecar, strError)) << strError;
    EXPECT_EQ(sidecar.intrinsics.fx, 525.0);
    EXPECT_EQ(sidecar.intrinsics.fy, 524.5);
    EXPECT_EQ(sidecar.intrinsics.cx, 319.5);
    EXPECT_EQ(sidecar.intrinsics.cy, 239.5);
    EXPECT_TRUE(sidecar.bHasDepthScale);
    EXPECT_EQ(sidecar.dDepthScale, 0.0002);
    EXPECT_EQ(sidecar.strDepth, "depth/0001.png");
    EXPECT_EQ(SidecarDepthPath(dir.File("good.camera"), sidecar), dir.File("depth/0001.png"));
    EXPECT_EQ(SidecarPathOf("/a.b/c.png"), "/a.b/c.camera");
    EXPECT_EQ(SidecarPathOf("/a.b/c"), "/a.b/c.camera");
    // What the writer gives reads back to the same numbers.
    WriteFileBytes(dir.File("again.camera"), CameraSidecarText(sidecar));
    CameraSidecar again;
    ASSERT_TRUE(ReadCameraSidecar(dir.File("again.camera"), again, strError)) << strError;
    EXPECT_EQ(std::memcmp(&again.intrinsics, &sidecar.intrinsics, sizeof again.intrinsics), 0);
    EXPECT_EQ(again.dDepthScale, sidecar.dDepthScale);
    EXPECT_EQ(again.strDepth, sidecar.strDepth);

    const struct {
        const char* pszText;
        const char* pszFault;
    } cases[] = {
        {"fx 1\nfy 1\ncx 1\n", "no cy"},
        {"fx 1\nfy 1,5\ncx 1\ncy 1\n", "line 2: \"fy\" needs one number, not \"1,5\""},
        {"fx 1\nfy 1\ncx 1\ncy 1\nskew 0\n", "line 5: unknown key \"skew\""},
        {"fx\n", "line 1: \"fx\" needs one number"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File("bad.camera"), c.pszText);
        EXPECT_FALSE(ReadCameraSidecar(dir.File("bad.camera"), sidecar, strError));
        EXPECT_EQ(strError.rfind(dir.File("bad.camera") + ": " + c.pszFault, 0), 0u) << strError;
    }
}

} // namespace

// morrow-scene: writes the data file of a sample scene, or the ray-cast ground truth of a
// camera move over exactly the window that the warp of that move fills.
//
//   morrow-scene --list
//   morrow-scene [--preset NAME] -o FILE [--shuffle] [--one-line] [--seed N]
//   morrow-scene [--preset NAME] --free RX RY RZ PX PY PZ -o TRUTH.bmp [--mask MASK.bmp]
//   morrow-scene [--preset NAME] --focus RX RY RZ ZOOM -o TRUTH.bmp [--mask MASK.bmp]
//   morrow-scene [--preset NAME] [--size W H] --rgbd COLOUR.png DEPTH.(pfm|exr|png)
//                [--depth-scale S] [--camera FILE]
//   morrow-scene [--preset NAME] [--size W H] --stereo FOLDER [--baseline B]
//
// A ground truth or mask is a BMP or a PNG as its name says. Exit codes: 0 done, 1 bad
// arguments, 3 an output that cannot be written.
#include "Scene.h"

#include "ToolArgs.h"
#include "framework/Services.h"
#include "image/ImageFiles.h"
#include "image/ViewImage.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: morrow-scene --list\n"
    "       morrow-scene [--preset NAME] -o DATAFILE [--shuffle] [--one-line] [--seed N]\n"
    "       morrow-scene [--preset NAME] (--free RX RY RZ PX PY PZ | --focus RX RY RZ ZOOM)"
    " -o TRUTH.(bmp|png) [--mask MASK.(bmp|png)]\n"
    "       morrow-scene [--preset NAME] [--size W H] --rgbd COLOUR.png DEPTH.(pfm|exr|png)"
    " [--depth-scale S] [--camera FILE]\n"
    "       morrow-scene [--preset NAME] [--size W H] --stereo FOLDER [--baseline B]";

const char* const kHelp =
    "Writes a sample scene, ray-cast from its reference camera:\n"
    "  -o DATAFILE     the 200 x 200 data file\n"
    "  --free/--focus  the ground truth of a camera move over the warp's window (and --mask,\n"
    "                  white where the scene has geometry)\n"
    "  --rgbd          a colour PNG and its depth map along the optical axis (PFM or EXR\n"
    "                  floats, infinity for the sky; or a 16-bit PNG in units of --depth-scale,\n"
    "                  default 0.001, 0 for the sky), and a camera file with the intrinsics\n"
    "                  (--camera, default COLOUR with the extension .camera)\n"
    "  --stereo        a stereo folder: im0.png, im1.png (the second camera, moved by the\n"
    "                  baseline, default 0.3, to the right), disp0.pfm, calib.txt\n"
    "  --size W H      the picture's size for --rgbd and --stereo (default 200 200)\n";

int BadArguments(const std::string& strProblem) {
    std::fprintf(stderr, "morrow-scene: %s\n%s\n", strProblem.c_str(), kUsage);
    return 1;
}

bool ParseSeed(const char* pszText, unsigned* pnSeed) {
    const char* pEnd = pszText + std::strlen(pszText);
    const std::from_chars_result result = std::from_chars(pszText, pEnd, *pnSeed);
    return *pszText != '\0' && result.ec == std::errc() && result.ptr == pEnd;
}

std::string PresetList() {
    std::string str;
    for (const std::string& strName : ScenePresetNames())
        str += (str.empty() ? "" : ", ") + strName;
    return str;
}

} // namespace

int main(int argc, char** argv) {
    // Messages (from the warp that sizes the window) go to stderr; traces only on request.
    SetMessageSink([](const std::string& strText) {
        std::fprintf(stderr, "morrow-scene: message: %s\n", strText.c_str());
    });
    if (std::getenv("MORROW_TRACE"))
        SetTraceSink([](const std::string& strLine) {
            std::fprintf(stderr, "trace: %s%s", strLine.c_str(),
                         !strLine.empty() && strLine.back() == '\n' ? "" : "\n");
        });

    std::string strPreset = ScenePresetNames().front();
    std::string strOut, strMask, strRgbdColour, strRgbdDepth, strCamera, strStereo;
    double dDepthScale = 0.001, dBaseline = 0.3;
    bool bSize = false, bDepthScale = false, bBaseline = false;
    int nWidth = 200, nHeight = 200;
    SceneOptions options;
    bool bList = false;
    enum { None, Free, Focus } move = None;
    double values[6] = {0, 0, 0, 0, 0, 0};

    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        auto next = [&](const char* pszWhat) -> const char* {
            if (i + 1 >= argc)
                return nullptr;
            (void)pszWhat;
            return argv[++i];
        };
        if (strArg == "--help" || strArg == "-h") {
            std::printf("%s\n%s", kUsage, kHelp);
            return 0;
        } else if (strArg == "--list") {
            bList = true;
        } else if (strArg == "--size") {
            double dW = 0.0, dH = 0.0;
            if (i + 2 >= argc || !ParseNumber(argv[i + 1], &dW) || !ParseNumber(argv[i + 2], &dH) ||
                dW != std::floor(dW) || dH != std::floor(dH) || dW < 2 || dH < 2 || dW > 4096 ||
                dH > 4096)
                return BadArguments("--size needs two whole numbers from 2 to 4096");
            nWidth = static_cast<int>(dW);
            nHeight = static_cast<int>(dH);
            bSize = true;
            i += 2;
        } else if (strArg == "--rgbd") {
            if (i + 2 >= argc)
                return BadArguments("--rgbd needs COLOUR.png and DEPTH.(pfm|exr|png)");
            strRgbdColour = argv[++i];
            strRgbdDepth = argv[++i];
        } else if (strArg == "--stereo" || strArg == "--camera") {
            if (i + 1 >= argc)
                return BadArguments(strArg + " needs a value");
            (strArg == "--stereo" ? strStereo : strCamera) = argv[++i];
        } else if (strArg == "--depth-scale" || strArg == "--baseline") {
            double dValue = 0.0;
            if (i + 1 >= argc || !ParseNumber(argv[++i], &dValue) || !(dValue > 0.0))
                return BadArguments(strArg + " needs a number above 0");
            (strArg == "--baseline" ? dBaseline : dDepthScale) = dValue;
            (strArg == "--baseline" ? bBaseline : bDepthScale) = true;
        } else if (strArg == "--preset" || strArg == "-o" || strArg == "--mask" ||
                   strArg == "--seed") {
            const char* pszValue = next(strArg.c_str());
            if (!pszValue)
                return BadArguments(strArg + " needs a value");
            if (strArg == "--preset")
                strPreset = pszValue;
            else if (strArg == "-o")
                strOut = pszValue;
            else if (strArg == "--mask")
                strMask = pszValue;
            else if (!ParseSeed(pszValue, &options.nSeed))
                return BadArguments(std::string("--seed needs a whole number from 0 to "
                                                "4294967295, not \"") +
                                    pszValue + "\"");
        } else if (strArg == "--shuffle") {
            options.bShuffle = true;
        } else if (strArg == "--one-line") {
            options.bOneLine = true;
        } else if (strArg == "--free" || strArg == "--focus") {
            if (move != None)
                return BadArguments("only one of --free and --focus");
            move = strArg == "--free" ? Free : Focus;
            const int nCount = move == Free ? 6 : 4;
            for (int k = 0; k < nCount; ++k) {
                if (i + 1 >= argc)
                    return BadArguments(strArg + " needs " + std::to_string(nCount) + " numbers");
                if (!ParseNumber(argv[++i], &values[k]))
                    return BadArguments(strArg + ": \"" + argv[i] + "\" is not a number");
            }
        } else {
            return BadArguments("unknown argument \"" + strArg + "\"");
        }
    }

    if (bList) {
        for (const std::string& strName : ScenePresetNames())
            std::printf("%s\n", strName.c_str());
        return 0;
    }
    CViewImage probe;
    if (!BuildSceneImage(strPreset, probe))
        return BadArguments("unknown preset \"" + strPreset + "\" (presets: " + PresetList() + ")");
    const int nKinds = !strOut.empty() + !strRgbdColour.empty() + !strStereo.empty();
    if (nKinds > 1)
        return BadArguments("only one of -o, --rgbd and --stereo");
    if (bSize && strRgbdColour.empty() && strStereo.empty())
        return BadArguments("--size goes with --rgbd or --stereo (a data file is 200 x 200)");
    if ((bDepthScale || !strCamera.empty()) && strRgbdColour.empty())
        return BadArguments("--depth-scale and --camera go with --rgbd");
    if (bBaseline && strStereo.empty())
        return BadArguments("--baseline goes with --stereo");
    if ((!strRgbdColour.empty() || !strStereo.empty()) &&
        (move != None || !strMask.empty() || options.bShuffle || options.bOneLine))
        return BadArguments("--rgbd and --stereo write the reference view: no move, --mask, "
                            "--shuffle or --one-line");
    if (!strRgbdColour.empty()) {
        if (strCamera.empty()) {
            const size_t nSlash = strRgbdColour.rfind('/');
            const size_t nDot = strRgbdColour.rfind('.');
            strCamera = (nDot != std::string::npos && (nSlash == std::string::npos || nDot > nSlash)
                             ? strRgbdColour.substr(0, nDot)
                             : strRgbdColour) +
                        ".camera";
        }
        std::string strError;
        if (!WriteSceneRgbd(strPreset, nWidth, nHeight, strRgbdColour, strRgbdDepth, strCamera,
                            dDepthScale, &strError)) {
            std::fprintf(stderr, "morrow-scene: %s\n", strError.c_str());
            return 3;
        }
        return 0;
    }
    if (!strStereo.empty()) {
        std::string strError;
        if (!WriteSceneStereo(strPreset, nWidth, nHeight, dBaseline, strStereo, &strError)) {
            std::fprintf(stderr, "morrow-scene: %s\n", strError.c_str());
            return 3;
        }
        return 0;
    }
    if (strOut.empty())
        return BadArguments("-o FILE is missing");

    if (move == None) {
        if (!strMask.empty())
            return BadArguments("--mask goes with --free or --focus");
        if (!WriteSceneDataFile(strPreset, strOut, options)) {
            std::fprintf(stderr, "morrow-scene: %s: cannot write the data file\n", strOut.c_str());
            return 3;
        }
        return 0;
    }
    if (options.bShuffle || options.bOneLine)
        return BadArguments("--shuffle and --one-line go with a data file, not with a move");

    // The real move gives the moved camera and the window the warp fills.
    std::unique_ptr<CViewImage> pMoved;
    if (move == Free) {
        const double position[3] = {values[3], values[4], values[5]};
        pMoved = std::make_unique<CViewImage>(values[0], values[1], values[2], position, probe);
    } else {
        pMoved = std::make_unique<CViewImage>(values[0], values[1], values[2], values[3], probe);
    }
    const WarpReport& report = pMoved->GetWarpReport();
    for (const WarpReport::Message& message : report.messages)
        if (message.nCount > 1)
            std::fprintf(stderr, "morrow-scene: message \"%s\" occurred %lld times in the warp\n",
                         message.strText.c_str(), static_cast<long long>(message.nCount));
    SceneTruth truth;
    if (!RayCastScene(strPreset, pMoved->GetCOP(), pMoved->GetP(), report.nXOff, report.nYOff,
                      pMoved->GetWidth(), pMoved->GetHeight(), truth)) {
        std::fprintf(stderr, "morrow-scene: the window of this move (%d x %d) cannot be ray-cast\n",
                     pMoved->GetWidth(), pMoved->GetHeight());
        return 1;
    }
    const size_t nCount = truth.samples.size();
    CViewImage image;
    image.SetWidth(truth.nWidth);
    image.SetHeight(truth.nHeight);
    PixelSample* pSamples = new PixelSample[nCount];
    std::copy(truth.samples.begin(), truth.samples.end(), pSamples);
    image.SetSamples(pSamples);
    if (!WriteImageFile(image, strOut.c_str())) {
        std::fprintf(stderr, "morrow-scene: %s: cannot write the image\n", strOut.c_str());
        return 3;
    }
    if (!strMask.empty()) {
        PixelSample* pMask = new PixelSample[nCount];
        for (size_t i = 0; i < nCount; ++i) {
            const double d = truth.mask[i] ? 255.0 : 0.0;
            pMask[i] = {d, d, d, 0.0};
        }
        image.SetSamples(pMask);
        if (!WriteImageFile(image, strMask.c_str())) {
            std::fprintf(stderr, "morrow-scene: %s: cannot write the mask\n", strMask.c_str());
            return 3;
        }
    }
    return 0;
}

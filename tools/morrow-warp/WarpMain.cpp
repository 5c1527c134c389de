// morrow-warp: loads a source view and writes it, or the view of a camera move, as a 24-bit BMP
// or an 8-bit PNG (the output name's extension chooses).
//
//   morrow-warp SOURCE --source -o OUT.(bmp|png)
//   morrow-warp SOURCE --free RX RY RZ PX PY PZ (-o OUT.(bmp|png) | --hint) [--json]
//   morrow-warp SOURCE --focus RX RY RZ ZOOM (-o OUT.(bmp|png) | --hint) [--json]
//   morrow-warp SOURCE --camera CX CY CZ C0 C1 C2 A0 A1 A2 B0 B1 B2 (-o OUT | --hint) [--json]
//   ... [--window X0 Y0 W H] with any move: only that window of the new image plane
//   morrow-warp SOURCE (--free ... | --focus ...) --rgbd-out OUT.png [--rgbd-depth D.(pfm|exr)]
//
// SOURCE is a data file, a stereo folder (im0.png, disp0.pfm, calib.txt), or a colour image
// (.png, .jpg, .jpeg, .tif, .tiff) with --depth FILE and either --intrinsics FX FY CX CY
// [--depth-scale S] or a camera file (--camera FILE, by default the colour image's name with
// the extension .camera), which may also name the depth map.
// Angles are in degrees; the --free position is the absolute new centre of projection; --camera
// gives the new camera in full (the centre, then the matrix columns c, a, b as a data file
// holds them). --camera followed by a name that is not a number is the colour image's camera
// file instead.
// Exit codes: 0 done, 1 bad arguments, 2 a source that cannot be read or is not complete (what
// was read of a data file is still used; a failed import writes nothing), 3 an output that
// cannot be written.
#include "ToolArgs.h"
#include "framework/Services.h"
#include "image/ImageFiles.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"
#include "warp/WarpedRgbd.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsage =
    "usage: morrow-warp SOURCE (--source | --free RX RY RZ PX PY PZ | --focus RX RY RZ ZOOM\n"
    "                          | --camera CX CY CZ C0 C1 C2 A0 A1 A2 B0 B1 B2)\n"
    "                   (-o OUT.(bmp|png) [--window X0 Y0 W H] | --hint) [--json]\n"
    "           [--rgbd-out OUT.png [--rgbd-depth DEPTH.(pfm|exr)]]\n"
    "       SOURCE: DATAFILE | STEREO-FOLDER | COLOUR --depth DEPTH"
    " [--intrinsics FX FY CX CY] [--depth-scale S] [--camera FILE]";

const char* const kHelp =
    "Loads a source view and writes it (--source) or the view of a camera move, a BMP or a PNG\n"
    "as the output's name says. Sources:\n"
    "  DATAFILE       the 200 x 200 text data file\n"
    "  FOLDER         a stereo folder: im0.png, disp0.pfm (disparity in pixels), calib.txt\n"
    "                 (cam0, doffs, baseline); the free move to (baseline, 0, 0) is the second\n"
    "                 camera\n"
    "  COLOUR         a PNG, JPEG or TIFF with --depth DEPTH: PFM, EXR or TIFF floats, or 16-bit\n"
    "                 integers times --depth-scale; depth along the optical axis, 0 unknown;\n"
    "                 intrinsics in pixels (row 0 at the top) from --intrinsics or a camera\n"
    "                 file (lines \"fx N\", \"fy N\", \"cx N\", \"cy N\", \"depth_scale N\",\n"
    "                 \"depth FILE\"; by default COLOUR with the extension .camera)\n"
    "The imported camera sits at the origin looking along +z, x right and y up in the picture.\n"
    "Moves: --free turns the camera (degrees about x, y, z) and puts its centre at PX PY PZ;\n"
    "  --focus turns the centre about the centre of the scene bounds and scales its distance;\n"
    "  --camera gives the new camera in full: its centre, then the camera matrix column by\n"
    "  column as a data file holds it, c, a, b (the ray of plane point (x, y) is x a + y b + c).\n"
    "  --window X0 Y0 W H writes only the W x H window of the new image plane from column X0\n"
    "  and row Y0 (the coordinates of the \"window from\" line); what the whole warp has not\n"
    "  drawn there is black.\n"
    "--rgbd-out OUT.png writes a move's result as RGB-D that this tool imports again: the\n"
    "colours as OUT.png, the depth of what was drawn along the new camera's optical axis as\n"
    "OUT.pfm (or --rgbd-depth, .pfm or .exr; 0 where nothing was drawn, infinity for the sky)\n"
    "and the camera file OUT.camera (the intrinsics of the warped window, in the frame of the\n"
    "new camera: its centre at the origin, looking along its own axis). With it, -o may be left\n"
    "out.\n"
    "Exit codes: 0 done, 1 bad arguments, 2 a bad source, 3 an output that cannot be written.\n";

int BadArguments(const std::string& strProblem) {
    std::fprintf(stderr, "morrow-warp: %s\n%s\n", strProblem.c_str(), kUsage);
    return 1;
}

// "%.17g" in the C locale, whatever the process locale is; JSON has no NaN or infinity.
std::string Number(double dValue, bool bJson) {
    if (bJson && !std::isfinite(dValue))
        return "null";
    locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t old = cLocale ? uselocale(cLocale) : static_cast<locale_t>(nullptr);
    char sz[40];
    std::snprintf(sz, sizeof sz, bJson ? "%.17g" : "%g", dValue);
    if (cLocale) {
        uselocale(old);
        freelocale(cLocale);
    }
    return sz;
}

std::string JsonString(const std::string& str) {
    std::string strOut = "\"";
    for (unsigned char ch : str) {
        if (ch == '"' || ch == '\\') {
            strOut += '\\';
            strOut += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\u%04x", ch);
            strOut += sz;
        } else {
            strOut += static_cast<char>(ch);
        }
    }
    return strOut + "\"";
}

// A number in the C locale read with strtod, the whole argument: *pbFinite tells a number that is
// not finite (NaN, infinity, or beyond the double range) from one that is. False for anything
// that is not a number (empty, blanks, trailing text).
bool ReadCNumber(const char* pszText, double* pdValue, bool* pbFinite) {
    if (!*pszText || std::isspace(static_cast<unsigned char>(*pszText)))
        return false;
    locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t old = cLocale ? uselocale(cLocale) : static_cast<locale_t>(nullptr);
    char* pEnd = nullptr;
    *pdValue = std::strtod(pszText, &pEnd);
    if (cLocale) {
        uselocale(old);
        freelocale(cLocale);
    }
    if (pEnd == pszText || *pEnd != '\0')
        return false;
    // An overflow gives HUGE_VAL, an infinity; an underflow a tiny finite value, which is kept.
    *pbFinite = std::isfinite(*pdValue);
    return true;
}

// A whole argument that is a decimal int (strtol in the C locale, which has no grouping).
bool ReadInt(const char* pszText, int* pnValue) {
    if (!*pszText || std::isspace(static_cast<unsigned char>(*pszText)))
        return false;
    char* pEnd = nullptr;
    errno = 0;
    const long nValue = std::strtol(pszText, &pEnd, 10);
    if (pEnd == pszText || *pEnd != '\0' || errno == ERANGE || nValue < INT_MIN || nValue > INT_MAX)
        return false;
    *pnValue = static_cast<int>(nValue);
    return true;
}

struct Options {
    std::string strData, strOut, strDepth, strCamera, strRgbdOut, strRgbdDepth;
    enum { None, Source, Free, Focus, Pose } mode = None;
    double values[6] = {0, 0, 0, 0, 0, 0};
    double cop[3] = {0, 0, 0}, P[3][3] = {};
    bool bWindow = false;
    int window[4] = {0, 0, 0, 0};
    bool bHint = false, bJson = false, bHelp = false;
    bool bIntrinsics = false, bDepthScale = false;
    double intrinsics[4] = {0, 0, 0, 0};
    double dDepthScale = 1.0;
};

// Parses the arguments; returns 0 or the exit code of a bad argument.
int ParseArguments(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        double dFirst;
        bool bFirstFinite;
        if (strArg == "--camera" && i + 1 < argc &&
            ReadCNumber(argv[i + 1], &dFirst, &bFirstFinite)) {
            // A camera in full; "--camera FILE" (below) is the colour image's camera file.
            if (o.mode != Options::None)
                return BadArguments("only one of --source, --free, --focus and --camera");
            o.mode = Options::Pose;
            double numbers[12];
            for (int k = 0; k < 12; ++k) {
                const char* pszNumber = i + 1 < argc ? argv[i + 1] : "";
                bool bFinite = false;
                if (ReadCNumber(pszNumber, &numbers[k], &bFinite)) {
                    ++i;
                    if (!bFinite)
                        return BadArguments("--camera: \"" + std::string(pszNumber) +
                                            "\" is not a finite number");
                    continue;
                }
                // The end of the arguments or the next option: numbers are missing.
                if (i + 1 >= argc ||
                    (pszNumber[0] == '-' && std::isalpha(static_cast<unsigned char>(pszNumber[1]))))
                    return BadArguments("--camera needs 12 numbers (CX CY CZ, then the matrix "
                                        "columns c, a, b), got " +
                                        std::to_string(k));
                return BadArguments("--camera: \"" + std::string(pszNumber) + "\" is not a number");
            }
            for (int r = 0; r < 3; ++r) {
                o.cop[r] = numbers[r];
                o.P[r][2] = numbers[3 + r]; // c
                o.P[r][0] = numbers[6 + r]; // a
                o.P[r][1] = numbers[9 + r]; // b
            }
        } else if (strArg == "--window") {
            static const char* const kNames[4] = {"X0", "Y0", "W", "H"};
            for (int k = 0; k < 4; ++k) {
                if (i + 1 >= argc)
                    return BadArguments("--window needs 4 whole numbers (X0 Y0 W H)");
                if (!ReadInt(argv[++i], &o.window[k]))
                    return BadArguments("--window: " + std::string(kNames[k]) + " \"" + argv[i] +
                                        "\" is not a whole number");
            }
            if (o.window[2] < 1 || o.window[3] < 1 || o.window[2] > CViewImage::kMaxWindowSide ||
                o.window[3] > CViewImage::kMaxWindowSide ||
                static_cast<long>(o.window[2]) * o.window[3] > CViewImage::kMaxWindowArea)
                return BadArguments(
                    "--window: W and H must be 1 to " + std::to_string(CViewImage::kMaxWindowSide) +
                    " and W x H at most " + std::to_string(CViewImage::kMaxWindowArea));
            o.bWindow = true;
        } else if (strArg == "--source" || strArg == "--free" || strArg == "--focus") {
            if (o.mode != Options::None)
                return BadArguments("only one of --source, --free, --focus and --camera");
            o.mode = strArg == "--source" ? Options::Source
                     : strArg == "--free" ? Options::Free
                                          : Options::Focus;
            const int nCount = o.mode == Options::Source ? 0 : (o.mode == Options::Free ? 6 : 4);
            for (int k = 0; k < nCount; ++k) {
                if (i + 1 >= argc)
                    return BadArguments(strArg + " needs " + std::to_string(nCount) + " numbers");
                // Values may be negative: "-1.5" here is a number, not an option.
                if (!ParseNumber(argv[++i], &o.values[k]))
                    return BadArguments(strArg + ": \"" + argv[i] + "\" is not a number");
            }
        } else if (strArg == "-o") {
            if (i + 1 >= argc)
                return BadArguments("-o needs a file name");
            o.strOut = argv[++i];
        } else if (strArg == "--help" || strArg == "-h") {
            o.bHelp = true;
            return 0;
        } else if (strArg == "--depth" || strArg == "--camera") {
            if (i + 1 >= argc)
                return BadArguments(strArg + " needs a file name");
            (strArg == "--depth" ? o.strDepth : o.strCamera) = argv[++i];
        } else if (strArg == "--rgbd-out" || strArg == "--rgbd-depth") {
            if (i + 1 >= argc)
                return BadArguments(strArg + " needs a file name");
            (strArg == "--rgbd-out" ? o.strRgbdOut : o.strRgbdDepth) = argv[++i];
        } else if (strArg == "--intrinsics") {
            for (int k = 0; k < 4; ++k) {
                if (i + 1 >= argc)
                    return BadArguments("--intrinsics needs 4 numbers (fx fy cx cy)");
                if (!ParseNumber(argv[++i], &o.intrinsics[k]))
                    return BadArguments("--intrinsics: \"" + std::string(argv[i]) +
                                        "\" is not a number");
            }
            if (!(o.intrinsics[0] > 0.0) || !(o.intrinsics[1] > 0.0))
                return BadArguments("--intrinsics: fx and fy must be above 0");
            o.bIntrinsics = true;
        } else if (strArg == "--depth-scale") {
            if (i + 1 >= argc || !ParseNumber(argv[++i], &o.dDepthScale) || !(o.dDepthScale > 0.0))
                return BadArguments("--depth-scale needs a number above 0");
            o.bDepthScale = true;
        } else if (strArg == "--hint") {
            o.bHint = true;
        } else if (strArg == "--json") {
            o.bJson = true;
        } else if (!strArg.empty() && strArg[0] == '-' && strArg != "-") {
            return BadArguments("unknown option \"" + strArg + "\"");
        } else if (o.strData.empty()) {
            o.strData = strArg;
        } else {
            return BadArguments("more than one source (\"" + o.strData + "\", \"" + strArg + "\")");
        }
    }
    if (o.strData.empty())
        return BadArguments(
            "the source is missing (a data file, a stereo folder or a colour image)");
    if (o.strDepth.empty() && !IsImageName(o.strData) &&
        (o.bIntrinsics || o.bDepthScale || !o.strCamera.empty()))
        return BadArguments("--intrinsics, --depth-scale and --camera go with a colour image");
    if (o.bIntrinsics && !o.strCamera.empty())
        return BadArguments("give --intrinsics or --camera, not both");
    if (o.mode == Options::None)
        return BadArguments("say --source, --free, --focus or --camera");
    if (o.bHint && o.mode == Options::Source)
        return BadArguments("--hint goes with --free, --focus or --camera");
    if (o.bWindow && (o.mode == Options::Source || o.bHint))
        return BadArguments("--window goes with a move that writes an image");
    if (o.bHint && !o.strOut.empty())
        return BadArguments("--hint writes no image: leave out -o");
    if (!o.strRgbdDepth.empty() && o.strRgbdOut.empty())
        return BadArguments("--rgbd-depth goes with --rgbd-out");
    if (!o.strRgbdOut.empty() && (o.mode == Options::Source || o.bHint))
        return BadArguments("--rgbd-out writes the result of --free, --focus or --camera");
    if (!o.strRgbdOut.empty() && o.bWindow)
        return BadArguments("--rgbd-out writes the whole warp: leave out --window");
    if (!o.strRgbdOut.empty() && !IsPngName(o.strRgbdOut))
        return BadArguments("--rgbd-out needs a .png name (the colour image)");
    if (!o.bHint && o.strOut.empty() && o.strRgbdOut.empty())
        return BadArguments("-o OUT.bmp is missing (a .png name writes a PNG)");
    return 0;
}

// Tells the user how the data file went; returns 2 when anything is wrong with it, else 0.
int ReportLoad(const std::string& strPath, const LoadReport& report) {
    if (!report.bOpened) {
        std::fprintf(stderr, "morrow-warp: %s: cannot open the data file\n", strPath.c_str());
        return 2;
    }
    int nResult = 0;
    if (report.bBadToken) {
        std::fprintf(stderr,
                     "morrow-warp: %s: a token that is not a number after %ld of %ld numbers; "
                     "the rest of the file is ignored\n",
                     strPath.c_str(), report.nNumbersRead, kDataFileNumbers);
        nResult = 2;
    } else if (!report.IsComplete()) {
        std::fprintf(stderr, "morrow-warp: %s: incomplete after %ld of %ld numbers\n",
                     strPath.c_str(), report.nNumbersRead, kDataFileNumbers);
        nResult = 2;
    }
    if (report.nRecordsOutside > 0) {
        std::fprintf(stderr, "morrow-warp: %s: %ld records outside the 200 x 200 grid ignored\n",
                     strPath.c_str(), report.nRecordsOutside);
        nResult = 2;
    }
    return nResult;
}

std::string MessagesJson(const std::vector<WarpReport::Message>& messages) {
    std::string str = "[";
    for (size_t i = 0; i < messages.size(); ++i)
        str += (i ? ", " : "") + std::string("{\"text\": ") + JsonString(messages[i].strText) +
               ", \"count\": " + std::to_string(messages[i].nCount) + "}";
    return str + "]";
}

void PrintMessageCounts(const std::vector<WarpReport::Message>& messages) {
    for (const WarpReport::Message& message : messages)
        std::fprintf(stderr, "morrow-warp: message \"%s\" shown once, occurred %lld time%s\n",
                     message.strText.c_str(), static_cast<long long>(message.nCount),
                     message.nCount == 1 ? "" : "s");
}

// A folder with a stereo pair's files in it (any of them: the import names what is missing).
// Any other folder is refused as a data file, as before.
bool IsStereoFolder(const std::string& strPath) {
    struct stat info;
    if (::stat(strPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    for (const char* pszName : {"/calib.txt", "/im0.png", "/disp0.pfm"})
        if (::access((strPath + pszName).c_str(), F_OK) == 0)
            return true;
    return false;
}

// A stereo folder or a colour image with its depth map, into the new image. False with the one
// line that names the file and the fault.
bool ImportSource(const Options& o, CViewImage& image, std::string& strError) {
    ImportReport report;
    if (o.strDepth.empty() && IsStereoFolder(o.strData)) {
        if (!ImportStereoFolder(o.strData, image, report)) {
            strError = report.strError;
            return false;
        }
    } else {
        RgbdInput input;
        input.strColour = o.strData;
        input.strDepth = o.strDepth;
        std::string strCamera;
        if (o.bIntrinsics) {
            input.intrinsics = {o.intrinsics[0], o.intrinsics[1], o.intrinsics[2], o.intrinsics[3]};
        } else {
            strCamera = o.strCamera.empty() ? SidecarPathOf(o.strData) : o.strCamera;
            if (o.strCamera.empty() && ::access(strCamera.c_str(), F_OK) != 0) {
                strError = o.strData +
                           ": no intrinsics: give --intrinsics FX FY CX CY or a "
                           "camera file (" +
                           strCamera + " is not there)";
                return false;
            }
            CameraSidecar sidecar;
            if (!ReadCameraSidecar(strCamera, sidecar, strError))
                return false;
            input.intrinsics = sidecar.intrinsics;
            if (sidecar.bHasDepthScale)
                input.dDepthScale = sidecar.dDepthScale;
            if (input.strDepth.empty())
                input.strDepth = SidecarDepthPath(strCamera, sidecar);
        }
        if (input.strDepth.empty()) {
            strError = o.strData + ": no depth map: give --depth DEPTH" +
                       (strCamera.empty() ? std::string() : " or a \"depth\" line in " + strCamera);
            return false;
        }
        if (o.bDepthScale)
            input.dDepthScale = o.dDepthScale;
        if (!ImportRgbd(input, image, report)) {
            strError = report.strError;
            return false;
        }
    }
    if (!o.bJson)
        std::printf("Imported %s: %d x %d, depth %s to %s, %ld samples of unknown depth filled, "
                    "%ld at infinity\n",
                    o.strData.c_str(), report.nWidth, report.nHeight,
                    Number(report.dNearest, false).c_str(), Number(report.dFarthest, false).c_str(),
                    report.nUnknown, report.nAtInfinity);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // One line on stderr per message box; trace lines only when MORROW_TRACE is set.
    SetMessageSink([](const std::string& strText) {
        std::fprintf(stderr, "morrow-warp: message: %s\n", strText.c_str());
    });
    if (std::getenv("MORROW_TRACE"))
        SetTraceSink([](const std::string& strLine) {
            std::fprintf(stderr, "trace: %s%s", strLine.c_str(),
                         !strLine.empty() && strLine.back() == '\n' ? "" : "\n");
        });
    else
        SetTraceSink(TraceSink());

    Options o;
    if (const int nBad = ParseArguments(argc, argv, o))
        return nBad;
    if (o.bHelp) {
        std::printf("%s\n%s", kUsage, kHelp);
        return 0;
    }

    int nLoad = 0;
    std::unique_ptr<CViewImage> pSource;
    if (!o.strDepth.empty() || IsImageName(o.strData) || IsStereoFolder(o.strData)) {
        pSource = std::make_unique<CViewImage>();
        std::string strError;
        if (!ImportSource(o, *pSource, strError)) {
            std::fprintf(stderr, "morrow-warp: %s\n", strError.c_str());
            return 2;
        }
    } else {
        LoadReport load;
        pSource = std::make_unique<CViewImage>(o.strData.c_str(), &load);
        nLoad = ReportLoad(o.strData, load);
        if (!load.bOpened)
            return nLoad;
    }
    const CViewImage& source = *pSource;

    if (o.bHint) {
        double newCOP[3];
        std::vector<WarpReport::Message> messages;
        EpipoleInfo info;
        int nXOff = 0, nYOff = 0, nWidth = 0, nHeight = 0;
        bool bCut = false;
        {
            CMessageScope scope;
            double newP[3][3];
            if (o.mode == Options::Pose) {
                std::memcpy(newCOP, o.cop, sizeof newCOP);
                std::memcpy(newP, o.P, sizeof newP);
            } else if (o.mode == Options::Free)
                BuildFreeMoveCamera(o.values[0], o.values[1], o.values[2], o.values + 3, source,
                                    newCOP, newP);
            else
                BuildFocusMoveCamera(o.values[0], o.values[1], o.values[2], o.values[3], source,
                                     newCOP, newP);
            info = ClassifyEpipole(source.GetP(), source.GetCOP(), newCOP, source.GetWidth() - 1,
                                   source.GetHeight() - 1);
            // The window the warp would allocate, from the border alone.
            bCut = ComputeMoveWindow(source, newCOP, newP, &nXOff, &nYOff, &nWidth, &nHeight);
            for (const CMessageScope::Entry& entry : scope.GetEntries())
                messages.push_back({entry.strText, entry.nCount});
        }
        if (o.bJson) {
            std::printf("{\"zone\": %d, \"w\": %s, \"ex\": %d, \"ey\": %d, \"degenerate\": %s, "
                        "\"width\": %d, \"height\": %d, \"xoff\": %d, \"yoff\": %d, "
                        "\"cut\": %s, \"messages\": %s}\n",
                        info.nZone, Number(info.dW, true).c_str(), info.nEx, info.nEy,
                        info.bDegenerate ? "true" : "false", nWidth, nHeight, nXOff, nYOff,
                        bCut ? "true" : "false", MessagesJson(messages).c_str());
        } else {
            std::printf("Zone: %d  W Value: %s  X Value: %d  Y Value: %d%s\n", info.nZone,
                        Number(info.dW, false).c_str(), info.nEx, info.nEy,
                        info.bDegenerate ? "  (W is 0: epipole at infinity)" : "");
            PrintMessageCounts(messages);
        }
        return nLoad;
    }

    std::unique_ptr<CViewImage> pWarped;
    const CViewImage* pOutput = &source;
    if (o.mode == Options::Free || o.mode == Options::Focus || o.mode == Options::Pose) {
        // The move's camera (the pose of a free or focus move gives that move's very bytes and
        // report), warped into colour bytes: the outputs need no more, and a large warp's grid
        // of doubles would cost ten times the memory.
        double newCOP[3], newP[3][3];
        if (o.mode == Options::Pose) {
            std::memcpy(newCOP, o.cop, sizeof newCOP);
            std::memcpy(newP, o.P, sizeof newP);
        } else if (o.mode == Options::Free) {
            BuildFreeMoveCamera(o.values[0], o.values[1], o.values[2], o.values + 3, source, newCOP,
                                newP);
        } else {
            BuildFocusMoveCamera(o.values[0], o.values[1], o.values[2], o.values[3], source, newCOP,
                                 newP);
        }
        if (o.bWindow)
            pWarped = std::make_unique<CViewImage>(newCOP, newP, source, o.window[0], o.window[1],
                                                   o.window[2], o.window[3], EWarpGrid::Colours);
        else
            pWarped = std::make_unique<CViewImage>(newCOP, newP, source, EWarpGrid::Colours);
        pOutput = pWarped.get();
    }

    if (pWarped && pWarped->GetWarpReport().bTooCostly) {
        // The message has been printed; an image that was not drawn is not written.
        PrintMessageCounts(pWarped->GetWarpReport().messages);
        std::fprintf(stderr, "morrow-warp: %s not written: the move is too costly to render\n",
                     o.strOut.c_str());
        return 4;
    }
    if (!o.strOut.empty() && !WriteImageFile(*pOutput, o.strOut.c_str())) {
        if (pWarped)
            PrintMessageCounts(pWarped->GetWarpReport().messages);
        std::fprintf(stderr, "morrow-warp: %s: cannot write the image\n", o.strOut.c_str());
        return 3;
    }
    WarpedDepthReport depth;
    if (pWarped && !o.strRgbdOut.empty()) {
        std::string strError;
        if (!WriteWarpedRgbd(*pWarped, source, o.strRgbdOut, o.strRgbdDepth, &strError, &depth)) {
            PrintMessageCounts(pWarped->GetWarpReport().messages);
            std::fprintf(stderr, "morrow-warp: %s\n", strError.c_str());
            return 3;
        }
    }
    if (pWarped) {
        const WarpReport& report = pWarped->GetWarpReport();
        if (o.bJson) {
            std::printf("{\"zone\": %d, \"w\": %s, \"ex\": %d, \"ey\": %d, \"degenerate\": %s, "
                        "\"width\": %d, \"height\": %d, \"xoff\": %d, \"yoff\": %d, "
                        "\"cut\": %s, \"messages\": %s}\n",
                        report.nZone, Number(report.dW, true).c_str(), report.nEx, report.nEy,
                        report.bDegenerate ? "true" : "false", pWarped->GetWidth(),
                        pWarped->GetHeight(), report.nXOff, report.nYOff,
                        report.bCut ? "true" : "false", MessagesJson(report.messages).c_str());
        } else {
            std::printf("Zone: %d  W Value: %s  X Value: %d  Y Value: %d%s\n", report.nZone,
                        Number(report.dW, false).c_str(), report.nEx, report.nEy,
                        report.bDegenerate ? "  (W is 0: epipole at infinity)" : "");
            if (!o.strOut.empty())
                std::printf("Wrote %s: %d x %d, window from (%d, %d)\n", o.strOut.c_str(),
                            pWarped->GetWidth(), pWarped->GetHeight(), report.nXOff, report.nYOff);
            if (!o.strRgbdOut.empty())
                std::printf("Wrote %s as RGB-D: %d x %d, window from (%d, %d), depth known at "
                            "%ld positions (%ld at infinity, %ld from a vertex)\n",
                            o.strRgbdOut.c_str(), pWarped->GetWidth(), pWarped->GetHeight(),
                            report.nXOff, report.nYOff, depth.nKnown, depth.nAtInfinity,
                            depth.nVertexDepth);
            PrintMessageCounts(report.messages);
        }
    } else if (o.bJson) {
        std::printf("{\"width\": %d, \"height\": %d, \"messages\": []}\n", pOutput->GetWidth(),
                    pOutput->GetHeight());
    } else {
        std::printf("Wrote %s: %d x %d\n", o.strOut.c_str(), pOutput->GetWidth(),
                    pOutput->GetHeight());
    }
    return nLoad;
}

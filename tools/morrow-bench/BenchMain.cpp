// morrow-bench: the pipeline of one session over the sample scene, step by step: loading a
// data file, the three kinds of move (product and plain oracle side by side), the display
// refresh, a warp with its refresh, writing a BMP, and the frames of live navigation (a
// windowed warp and its display bytes, beside the whole warp and the plain one of the pose); for
// sources of a camera's resolution the import of RGB-D files, the warps, and the depth of a warp
// (what --rgbd-out adds).
//
//   morrow-bench [--benchmark_repetitions=10 --benchmark_report_aggregates_only=true ...]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "Scene.h"
#include "WarpOracle.h"
#include "framework/Services.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"
#include "warp/Warp.h"
#include "warp/WarpedRgbd.h"

namespace {

// The sample scene, built once.
const CViewImage& Source() {
    static const std::unique_ptr<CViewImage> pSource = [] {
        auto pImage = std::make_unique<CViewImage>();
        if (!BuildSceneImage(ScenePresetNames().front(), *pImage)) {
            std::fprintf(stderr, "morrow-bench: no sample scene\n");
            std::exit(1);
        }
        return pImage;
    }();
    return *pSource;
}

// A folder of its own under the temporary folder, removed at exit.
const std::string& ScratchDir() {
    static const std::string strDir = [] {
        const char* pszTmp = std::getenv("TMPDIR");
        std::string strTemplate =
            std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/morrow-bench-XXXXXX";
        std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) {
            std::perror("morrow-bench: mkdtemp");
            std::exit(1);
        }
        return std::string(buffer.data());
    }();
    return strDir;
}

// The moves measured: an ordinary free move (a small step sideways, up and forward), an
// ordinary focus move (zoom 0.8 and a few degrees of turn) and a magnifying focus move.
enum EMove { kFreeSmall, kFocus08, kFocus03 };

std::unique_ptr<CViewImage> ProductMove(EMove eMove) {
    const CViewImage& source = Source();
    switch (eMove) {
    case kFreeSmall: {
        const double* c = source.GetCOP();
        const double pos[3] = {c[0] + 0.15, c[1] + 0.05, c[2] + 0.1};
        return std::make_unique<CViewImage>(1.0, -2.0, 0.0, pos, source);
    }
    case kFocus08:
        return std::make_unique<CViewImage>(3.0, -4.0, 2.0, 0.8, source);
    case kFocus03:
        return std::make_unique<CViewImage>(0.0, 2.0, 0.0, 0.3, source);
    }
    return nullptr;
}

void OracleMove(EMove eMove, OracleResult& result) {
    const CViewImage& source = Source();
    switch (eMove) {
    case kFreeSmall: {
        const double* c = source.GetCOP();
        const double pos[3] = {c[0] + 0.15, c[1] + 0.05, c[2] + 0.1};
        OracleFreeMove(1.0, -2.0, 0.0, pos, source, result);
        break;
    }
    case kFocus08:
        OracleFocusMove(3.0, -4.0, 2.0, 0.8, source, result);
        break;
    case kFocus03:
        OracleFocusMove(0.0, 2.0, 0.0, 0.3, source, result);
        break;
    }
}

// The display buffer of the view, rebuilt with the routine the view uses.
void RefreshDisplay(const CViewImage& image, std::vector<unsigned char>& buffer) {
    buffer.resize(std::size_t(image.GetWidth()) * std::size_t(image.GetHeight()) * 3u);
    image.WriteDisplayBytes(buffer.data());
}

void BM_LoadDataFile(benchmark::State& state) {
    const std::string strPath = ScratchDir() + "/room.txt";
    if (!WriteSceneDataFile(ScenePresetNames().front(), strPath, SceneOptions())) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    for (auto _ : state) {
        LoadReport report;
        CViewImage image(strPath.c_str(), &report);
        benchmark::DoNotOptimize(image.GetSamples());
        if (!report.IsComplete())
            state.SkipWithError("incomplete data file");
    }
}

void BM_ProductWarp(benchmark::State& state) {
    const EMove eMove = static_cast<EMove>(state.range(0));
    Source();
    for (auto _ : state) {
        std::unique_ptr<CViewImage> pImage = ProductMove(eMove);
        benchmark::DoNotOptimize(pImage->GetSamples());
    }
}

// The sample scene ray-cast at a camera's resolution: 640 x 480 (size 0) or 1280 x 1024 (1).
const CViewImage& LargeSource(int nSize) {
    static std::unique_ptr<CViewImage> pSources[2];
    if (!pSources[nSize]) {
        pSources[nSize] = std::make_unique<CViewImage>();
        const bool bBuilt =
            nSize == 0 ? BuildSceneImage(ScenePresetNames().front(), 640, 480, *pSources[nSize])
                       : BuildSceneImage(ScenePresetNames().front(), 1280, 1024, *pSources[nSize]);
        if (!bBuilt) {
            std::fprintf(stderr, "morrow-bench: no large sample scene\n");
            std::exit(1);
        }
    }
    return *pSources[nSize];
}

// An ordinary free move (move 0: the small step of the 200 x 200 rows) and a small focus move
// (move 1: zoom 0.95, two degrees of turn) of a larger source.
void BM_LargeSourceWarp(benchmark::State& state) {
    const CViewImage& source = LargeSource(static_cast<int>(state.range(0)));
    const bool bFocus = state.range(1) == 1;
    for (auto _ : state) {
        std::unique_ptr<CViewImage> pImage;
        if (bFocus) {
            pImage = std::make_unique<CViewImage>(2.0, -1.0, 0.0, 0.95, source);
        } else {
            const double* c = source.GetCOP();
            const double pos[3] = {c[0] + 0.15, c[1] + 0.05, c[2] + 0.1};
            pImage = std::make_unique<CViewImage>(1.0, -2.0, 0.0, pos, source);
        }
        benchmark::DoNotOptimize(pImage->GetSamples());
    }
}

// The sample scene as RGB-D files (colour PNG, PFM depth) at 640 x 480 (size 0) or 1280 x 1024
// (1), imported through the image library.
void BM_LoadRgbd(benchmark::State& state) {
    const int nSize = static_cast<int>(state.range(0));
    const int nWidth = nSize == 0 ? 640 : 1280, nHeight = nSize == 0 ? 480 : 1024;
    const std::string strBase = ScratchDir() + "/rgbd" + std::to_string(nSize);
    std::string strError;
    SceneFrame frame;
    if (!WriteSceneRgbd(ScenePresetNames().front(), nWidth, nHeight, strBase + ".png",
                        strBase + ".pfm", strBase + ".camera", 1.0, &strError) ||
        !SceneReferenceFrame(ScenePresetNames().front(), nWidth, nHeight, frame)) {
        state.SkipWithError(strError.c_str());
        return;
    }
    RgbdInput input;
    input.strColour = strBase + ".png";
    input.strDepth = strBase + ".pfm";
    input.intrinsics = frame.intrinsics;
    for (auto _ : state) {
        CViewImage image;
        ImportReport report;
        if (!ImportRgbd(input, image, report))
            state.SkipWithError(report.strError.c_str());
        benchmark::DoNotOptimize(image.GetSamples());
    }
}

// The depth of the ordinary free move of a larger source (one depth warp: the scene has no
// black sample).
void BM_LargeWarpedDepth(benchmark::State& state) {
    const CViewImage& source = LargeSource(static_cast<int>(state.range(0)));
    const double* c = source.GetCOP();
    const double pos[3] = {c[0] + 0.15, c[1] + 0.05, c[2] + 0.1};
    const CViewImage warped(1.0, -2.0, 0.0, pos, source);
    std::vector<double> depth;
    for (auto _ : state) {
        std::string strError;
        if (!ComputeWarpedDepth(warped, source, depth, nullptr, &strError))
            state.SkipWithError(strError.c_str());
        benchmark::DoNotOptimize(depth.data());
    }
}

void BM_OracleWarp(benchmark::State& state) {
    const EMove eMove = static_cast<EMove>(state.range(0));
    Source();
    for (auto _ : state) {
        OracleResult result;
        OracleMove(eMove, result);
        benchmark::DoNotOptimize(result.samples.data());
    }
}

void BM_DisplayRefresh(benchmark::State& state) {
    const std::unique_ptr<CViewImage> pImage = ProductMove(kFreeSmall);
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        RefreshDisplay(*pImage, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_WarpAndRefresh(benchmark::State& state) {
    const EMove eMove = static_cast<EMove>(state.range(0));
    Source();
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        std::unique_ptr<CViewImage> pImage = ProductMove(eMove);
        RefreshDisplay(*pImage, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_WriteBmp(benchmark::State& state) {
    const std::unique_ptr<CViewImage> pImage = ProductMove(kFreeSmall);
    const std::string strPath = ScratchDir() + "/warped.bmp";
    for (auto _ : state) {
        if (!pImage->WriteBmp(strPath.c_str()))
            state.SkipWithError("cannot write the BMP");
    }
}

// ---- live navigation ----
// One step of a user dragging the camera, from the source's own pose: an orbit (2 degrees
// about the camera's up axis, b, through the centre of the scene bounds F: C' = F + R (C - F),
// P' = R P), a pan (C moved along a and b by 4 and 2 pixels' worth at the depth of F), a
// magnifying step (C moved 30 % of the way to F, P kept) into the 800 x 600 view at the plane
// origin, and the same pose with only a 200 x 150 part of the plane around the centre of the
// whole warp's window (shown magnified 4x by the view).
enum ENavStep { kOrbit, kPan, kMagnify, kMagnifyPart };

struct NavFrame {
    double cop[3];
    double P[3][3];
    int nX0, nY0, nWidth, nHeight;
};

NavFrame MakeNavFrame(const CViewImage& source, ENavStep eStep) {
    NavFrame frame;
    const double* C = source.GetCOP();
    const double(*P)[3] = source.GetP();
    const double* pBounds = source.GetSceneBounds();
    const double F[3] = {(pBounds[0] + pBounds[1]) / 2, (pBounds[2] + pBounds[3]) / 2,
                         (pBounds[4] + pBounds[5]) / 2};
    std::memcpy(frame.cop, C, sizeof frame.cop);
    std::memcpy(frame.P, P, sizeof frame.P);
    frame.nX0 = 0;
    frame.nY0 = 0;
    frame.nWidth = 800;
    frame.nHeight = 600;
    if (eStep == kOrbit) {
        // Rodrigues' rotation about the unit up axis u.
        const double dLength = std::sqrt(P[0][1] * P[0][1] + P[1][1] * P[1][1] + P[2][1] * P[2][1]);
        const double u[3] = {P[0][1] / dLength, P[1][1] / dLength, P[2][1] / dLength};
        const double dAngle = 2.0 * 3.14159265358979323846 / 180.0;
        const double c = std::cos(dAngle), s = std::sin(dAngle);
        double R[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                R[i][j] = (i == j ? c : 0.0) + (1.0 - c) * u[i] * u[j];
        R[0][1] -= s * u[2];
        R[0][2] += s * u[1];
        R[1][0] += s * u[2];
        R[1][2] -= s * u[0];
        R[2][0] -= s * u[1];
        R[2][1] += s * u[0];
        for (int i = 0; i < 3; ++i) {
            frame.cop[i] = F[i];
            for (int k = 0; k < 3; ++k)
                frame.cop[i] += R[i][k] * (C[k] - F[k]);
            for (int j = 0; j < 3; ++j) {
                frame.P[i][j] = 0.0;
                for (int k = 0; k < 3; ++k)
                    frame.P[i][j] += R[i][k] * P[k][j];
            }
        }
    } else if (eStep == kPan) {
        // The depth t of F along its ray: F - C = t (x a + y b + c), so t is the third
        // component of P^-1 (F - C); by Cramer's rule with the columns a, b, c.
        auto det = [](const double m[3][3]) {
            return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                   m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                   m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        };
        double M[3][3];
        std::memcpy(M, P, sizeof M);
        for (int i = 0; i < 3; ++i)
            M[i][2] = F[i] - C[i];
        const double t = det(M) / det(P);
        for (int i = 0; i < 3; ++i)
            frame.cop[i] = C[i] + t * (4.0 * P[i][0] + 2.0 * P[i][1]);
    } else {
        for (int i = 0; i < 3; ++i)
            frame.cop[i] = C[i] + 0.3 * (F[i] - C[i]);
        if (eStep == kMagnifyPart) {
            int xOff, yOff, nW, nH;
            ComputeMoveWindow(source, frame.cop, frame.P, &xOff, &yOff, &nW, &nH);
            frame.nWidth = 200;
            frame.nHeight = 150;
            frame.nX0 = xOff + nW / 2 - 100;
            frame.nY0 = yOff + nH / 2 - 75;
        }
    }
    return frame;
}

// Source 0: the 200 x 200 sample scene; 1: the sample scene ray-cast at 640 x 480.
const CViewImage& NavSource(int nSource) {
    return nSource == 0 ? Source() : LargeSource(0);
}

// The warp of a navigation frame into its window and the display bytes of that window.
void BM_NavigationFrame(benchmark::State& state) {
    const CViewImage& source = NavSource(static_cast<int>(state.range(0)));
    const NavFrame frame = MakeNavFrame(source, static_cast<ENavStep>(state.range(1)));
    SetWarpThreads(static_cast<unsigned>(state.range(2)));
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        const CViewImage image(frame.cop, frame.P, source, frame.nX0, frame.nY0, frame.nWidth,
                               frame.nHeight);
        RefreshDisplay(image, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    SetWarpThreads(0);
}

// The same frame as the live view renders it: warped straight into colour bytes (magenta where
// nothing was drawn, as with the disocclusion overlay), which are copied into the frame.
void BM_NavigationFrameColours(benchmark::State& state) {
    const CViewImage& source = NavSource(static_cast<int>(state.range(0)));
    const NavFrame frame = MakeNavFrame(source, static_cast<ENavStep>(state.range(1)));
    SetWarpThreads(static_cast<unsigned>(state.range(2)));
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        const CViewImage image(frame.cop, frame.P, source, frame.nX0, frame.nY0, frame.nWidth,
                               frame.nHeight, EWarpGrid::Colours, ByteColour{255, 0, 255});
        RefreshDisplay(image, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    SetWarpThreads(0);
}

// The whole warp of the same pose and its display bytes, for comparison.
void BM_NavigationWhole(benchmark::State& state) {
    const CViewImage& source = NavSource(static_cast<int>(state.range(0)));
    const NavFrame frame = MakeNavFrame(source, static_cast<ENavStep>(state.range(1)));
    SetWarpThreads(static_cast<unsigned>(state.range(2)));
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        const CViewImage image(frame.cop, frame.P, source);
        RefreshDisplay(image, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    SetWarpThreads(0);
}

// The plain warp (the oracle, 200 x 200 sources only) of the whole window of the same pose.
void BM_NavigationPlain(benchmark::State& state) {
    const CViewImage& source = Source();
    const NavFrame frame = MakeNavFrame(source, static_cast<ENavStep>(state.range(1)));
    const EpipoleInfo info = ClassifyEpipole(source.GetP(), source.GetCOP(), frame.cop,
                                             source.GetWidth() - 1, source.GetHeight() - 1);
    for (auto _ : state) {
        OracleResult result;
        OracleSetupWarp(source, frame.P, frame.cop, info.nZone, info.nEx, info.nEy, result);
        benchmark::DoNotOptimize(result.samples.data());
    }
}

void MoveArguments(benchmark::internal::Benchmark* pBench) {
    pBench->ArgName("move")->Arg(kFreeSmall)->Arg(kFocus08)->Arg(kFocus03);
}

BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OracleWarp)->Apply(MoveArguments)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProductWarp)->Apply(MoveArguments)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LargeSourceWarp)
    ->ArgNames({"size", "move"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_LoadRgbd)->ArgName("size")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeWarpedDepth)
    ->ArgName("size")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DisplayRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpAndRefresh)
    ->ArgName("move")
    ->Arg(kFreeSmall)
    ->Arg(kFocus08)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NavigationFrame)
    ->ArgNames({"source", "step", "threads"})
    ->ArgsProduct({{0, 1}, {kOrbit, kPan, kMagnify, kMagnifyPart}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_NavigationFrameColours)
    ->ArgNames({"source", "step", "threads"})
    ->ArgsProduct({{0, 1}, {kOrbit, kPan, kMagnify, kMagnifyPart}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_NavigationWhole)
    ->ArgNames({"source", "step", "threads"})
    ->ArgsProduct({{0, 1}, {kOrbit, kPan, kMagnify}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_NavigationPlain)
    ->ArgNames({"source", "step"})
    ->ArgsProduct({{0}, {kOrbit, kPan, kMagnify}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // Messages of the warps (none for these moves) must not disturb the timing.
    SetMessageSink(MessageSink());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string& strDir = ScratchDir();
    std::remove((strDir + "/room.txt").c_str());
    std::remove((strDir + "/warped.bmp").c_str());
    for (const char* pszSize : {"0", "1"})
        for (const char* pszExtension : {".png", ".pfm", ".camera"})
            std::remove((strDir + "/rgbd" + pszSize + pszExtension).c_str());
    rmdir(strDir.c_str());
    return 0;
}

// morrow-bench: the pipeline of one session over the sample scene, step by step: loading a
// data file, the three kinds of move (product and plain oracle side by side), the display
// refresh, a warp with its refresh, and writing a BMP; for sources of a camera's resolution the
// import of RGB-D files, the warps, and the depth of a warp (what --rgbd-out adds).
//
//   morrow-bench [--benchmark_repetitions=10 --benchmark_report_aggregates_only=true ...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "Scene.h"
#include "WarpOracle.h"
#include "framework/Services.h"
#include "image/RgbdImport.h"
#include "image/ViewImage.h"
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

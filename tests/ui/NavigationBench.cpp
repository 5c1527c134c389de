// A navigation frame of the running viewer, as the user waits for it: one camera step asked for
// through its command, the worker's windowed warp of the 800 x 600 view, the frame handed to the
// GUI thread, drawn (upload and draw, finished with glFinish). Google Benchmark, under Xvfb with
// Mesa's software OpenGL; `make bench` runs it. Not a test: nothing here asserts a time.
#include <QApplication>
#include <QWindow>
#include <QtTest>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "platform/FrameWnd.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"

namespace {

CStartedApp* g_pApp = nullptr;

// One step and its frame on the screen, then the same step undone (not timed), so every iteration
// starts from the same camera.
void Frame(benchmark::State& state, int nStep, int nUndo) {
    CMorrowView& view = *g_pApp->View();
    view.OnCmdMsg(ID_CAMERA_HOME, true);
    for (auto _ : state) {
        view.OnCmdMsg(nStep, true);
        // The view draws and presents the frame as it arrives.
        while (view.IsFramePending() || !view.HasLiveFrame())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        glFinish();
        state.PauseTiming();
        view.OnCmdMsg(nUndo, true);
        while (view.IsFramePending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.ResumeTiming();
    }
    state.counters["view_w"] = view.GetLiveFrame().request.nWidth;
    state.counters["view_h"] = view.GetLiveFrame().request.nHeight;
}

// The draw alone: the frame on the screen drawn again.
void Draw(benchmark::State& state) {
    CMorrowView& view = *g_pApp->View();
    view.OnCmdMsg(ID_CAMERA_HOME, true);
    view.OnCmdMsg(ID_CAMERA_ORBIT_RIGHT, true);
    while (view.IsFramePending() || !view.HasLiveFrame())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    for (auto _ : state) {
        view.DrawFrame();
        glFinish();
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CScratchDir scratch;
    const QString strRoom = QString::fromStdString(scratch.File("room.txt"));
    CStartedApp app;
    g_pApp = &app;
    // Started once to learn the frame around the view, then sized so the view is 800 x 600.
    if (RunTool(MORROW_SCENE_TOOL, {"--preset", "room", "-o", strRoom}) != 0 || !app.Start())
        return 1;
    const QSize view = app.View()->GetGLWindow()->size();
    const QSize frame = app.Frame()->size();
    if (!app.Start({}, frame + QSize(800, 600) - view))
        return 1;
    if (!app.View()->LoadImagedataFile(strRoom))
        return 1;
    benchmark::RegisterBenchmark("BM_GuiNavigationFrame/orbit_5deg", Frame, ID_CAMERA_ORBIT_RIGHT,
                                 ID_CAMERA_ORBIT_LEFT)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GuiNavigationFrame/pan_10px", Frame, ID_CAMERA_PAN_LEFT,
                                 ID_CAMERA_PAN_RIGHT)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GuiNavigationFrame/dolly_in_10pct", Frame, ID_CAMERA_FORWARD,
                                 ID_CAMERA_BACK)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GuiNavigationFrame/draw_only", Draw)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_pApp = nullptr;
    return 0;
}

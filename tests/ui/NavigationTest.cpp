// Live navigation in the running application: a mouse drag moves the camera, the worker's
// frame on the screen (read back with glReadPixels) is byte for byte the morrow-warp image of
// the camera that Copy Camera puts on the clipboard, and the keys, Home, the display zoom and
// the overlays do what their menu entries say.
#include <QClipboard>
#include <QProcess>
#include <QWindow>
#include <QtTest>

#include <memory>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"
#include "warp/Navigation.h"

class CNavigationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void dragShowsTheImageOfTheCopiedCamera();
    void keysStepAndHomeReturns();
    void zoomAndOverlays();

private:
    std::unique_ptr<CScratchDir> m_pScratch;
    CStartedApp m_App;
    CMorrowView* m_pView = nullptr;
    QString m_strRoom;
    int m_nWidth = 0, m_nHeight = 0; // the view in device pixels

    QString File(const char* pszName) const {
        return QString::fromStdString(m_pScratch->File(pszName));
    }
    // Waits until the newest live frame is on the screen.
    bool WaitForFrame() {
        return QTest::qWaitFor(
            [&] { return m_pView->HasLiveFrame() && !m_pView->IsFramePending(); }, 20000);
    }
    std::vector<unsigned char> Screen() { return ReadGLPixels(*m_pView, m_nWidth, m_nHeight); }
};

void CNavigationTest::initTestCase() {
    m_pScratch = std::make_unique<CScratchDir>();
    qputenv("XDG_CONFIG_HOME", File("config").toLocal8Bit());
    m_strRoom = File("room.txt");
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--preset", "room", "-o", m_strRoom}), 0);
    QVERIFY(m_App.Start({}, QSize(700, 560)));
    m_pView = m_App.View();
    const qreal dRatio = m_pView->GetGLWindow()->devicePixelRatio();
    m_nWidth = qRound(m_pView->GetGLWindow()->width() * dRatio);
    m_nHeight = qRound(m_pView->GetGLWindow()->height() * dRatio);
    QVERIFY(m_nWidth > 300 && m_nHeight > 300);
}

void CNavigationTest::cleanupTestCase() {
    m_pView = nullptr;
    m_App.End();
}

void CNavigationTest::init() {
    QVERIFY(m_pView->LoadImagedataFile(m_strRoom));
    QVERIFY(!m_pView->IsLive());
}

void CNavigationTest::dragShowsTheImageOfTheCopiedCamera() {
    QWindow* pWindow = m_pView->GetGLWindow();
    const QPoint start(150, pWindow->height() - 100);
    QTest::mousePress(pWindow, Qt::LeftButton, Qt::NoModifier, start);
    for (int i = 1; i <= 6; ++i)
        QTest::mouseMove(pWindow, start + QPoint(9 * i, -4 * i));
    QTest::mouseRelease(pWindow, Qt::LeftButton, Qt::NoModifier, start + QPoint(54, -24));
    QVERIFY(m_pView->IsLive());
    QVERIFY(WaitForFrame());
    QVERIFY(SamePose(m_pView->GetLiveFrame().request.pose, m_pView->GetNavigationPose()));

    RunCommand(m_App.Frame(), ID_CAMERA_COPY);
    const QString strLine = QGuiApplication::clipboard()->text();
    QVERIFY2(strLine.startsWith("morrow-warp "), qPrintable(strLine));
    QStringList args = QProcess::splitCommand(strLine);
    args.removeFirst();
    const int nOut = int(args.indexOf("-o"));
    QVERIFY(nOut > 0);
    args[nOut + 1] = File("view.bmp");
    args << "--json";
    QString strReport;
    QVERIFY2(RunTool(MORROW_WARP_TOOL, args, &strReport) == 0,
             qPrintable(args.join(" ") + ": " + strReport));

    // The tool's image is the full warp of the pose, whose grid starts at its offsets.
    const CameraPose& pose = m_pView->GetNavigationPose();
    const CViewImage full(pose.cop, pose.P, *m_App.Doc()->m_pSourceImage);
    QCOMPARE(ReadFileBytes(m_pScratch->File("view.bmp")), BmpBytes(full));
    const std::vector<unsigned char> expected = DisplayBytes(full);
    const int nXOff = full.GetWarpReport().nXOff, nYOff = full.GetWarpReport().nYOff;

    // On the screen at Actual Size: plane position (origin + x, origin + y) at pixel (x, y);
    // positions the full warp does not have are black.
    QCOMPARE(m_pView->GetZoom(), 1.0);
    const int nOx = int(m_pView->GetOriginX()), nOy = int(m_pView->GetOriginY());
    const std::vector<unsigned char> shown = Screen();
    QCOMPARE(shown.size(), size_t(m_nWidth) * m_nHeight * 3);
    long nCompared = 0, nDifferent = 0;
    for (int y = 0; y < m_nHeight; ++y) {
        for (int x = 0; x < m_nWidth; ++x) {
            const int gx = nOx + x - nXOff, gy = nOy + y - nYOff;
            const bool bInGrid =
                gx >= 0 && gx < full.GetWidth() && gy >= 0 && gy < full.GetHeight();
            const unsigned char* pShown = &shown[(size_t(y) * m_nWidth + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const unsigned char want =
                    bInGrid ? expected[(size_t(gy) * full.GetWidth() + gx) * 3 + c] : 0;
                nDifferent += pShown[c] != want;
            }
            nCompared += bInGrid;
        }
    }
    QVERIFY(nCompared > 30000); // most of the room is in view
    QCOMPARE(nDifferent, 0L);
}

void CNavigationTest::keysStepAndHomeReturns() {
    const CameraPose source = PoseOf(*m_App.Doc()->m_pSourceImage);
    for (int nID :
         {ID_CAMERA_ORBIT_RIGHT, ID_CAMERA_ORBIT_UP, ID_CAMERA_FORWARD, ID_CAMERA_PAN_LEFT}) {
        RunCommand(m_App.Frame(), nID);
        QVERIFY(m_pView->IsLive());
    }
    QVERIFY(WaitForFrame());
    QVERIFY(!SamePose(m_pView->GetNavigationPose(), source));
    // Home is the source again, shown as Load Imagedata shows it.
    RunCommand(m_App.Frame(), ID_CAMERA_HOME);
    QVERIFY(!m_pView->IsLive());
    QVERIFY(SamePose(m_pView->GetNavigationPose(), source));
    QCOMPARE(m_pView->GetDisplayMode(), int(CMorrowView::kDisplaySource));
    const std::vector<unsigned char> shown = Screen();
    const std::vector<unsigned char> want = DisplayBytes(*m_App.Doc()->m_pSourceImage);
    for (int y = 0; y < 200; ++y)
        QVERIFY(std::equal(want.begin() + y * 600, want.begin() + y * 600 + 600,
                           shown.begin() + size_t(y) * m_nWidth * 3));
}

void CNavigationTest::zoomAndOverlays() {
    // Zoom In doubles about the centre, Actual Size is the 1:1 bottom-left display again.
    RunCommand(m_App.Frame(), ID_VIEW_ZOOM_IN);
    QCOMPARE(m_pView->GetZoom(), 2.0);
    RunCommand(m_App.Frame(), ID_VIEW_ACTUAL_SIZE);
    QCOMPARE(m_pView->GetZoom(), 1.0);
    QCOMPARE(m_pView->GetOriginX(), 0.0);
    // Fit to Window scales the 200 x 200 source to the view's smaller side, centred.
    RunCommand(m_App.Frame(), ID_VIEW_FIT_TO_WINDOW);
    const double dFit = std::min(m_nWidth, m_nHeight) / 200.0;
    QCOMPARE(m_pView->GetZoom(), dFit);
    QCOMPARE(m_pView->GetOriginX() + m_nWidth / dFit / 2.0, 100.0);
    QCOMPARE(m_pView->GetOriginY() + m_nHeight / dFit / 2.0, 100.0);
    // Ctrl + wheel zooms about the cursor: the plane position under it stays there; Shift + drag
    // moves the picture with the hand.
    const double x = 120.0, y = 90.0;
    const double px = m_pView->GetOriginX() + x / m_pView->GetZoom();
    m_pView->OnWheel(240, Qt::ControlModifier, x, y);
    QCOMPARE(m_pView->GetZoom(), 2.0 * dFit);
    QCOMPARE(m_pView->GetOriginX() + x / m_pView->GetZoom(), px);
    const double dOriginY = m_pView->GetOriginY();
    m_pView->OnMouseDown(Qt::LeftButton, Qt::ShiftModifier, x, y);
    m_pView->OnMouseMove(x, y + 2.0 * m_pView->GetZoom());
    m_pView->OnMouseUp();
    QCOMPARE(m_pView->GetOriginY(), dOriginY - 2.0);
    QVERIFY(!m_pView->IsLive()); // the display moved, not the camera
    RunCommand(m_App.Frame(), ID_VIEW_ACTUAL_SIZE);

    // A big orbit opens disocclusions; with the overlay on they are magenta, not black.
    RunCommand(m_App.Frame(), ID_VIEW_DISOCCLUSION_OVERLAY);
    QVERIFY(m_pView->GetDisocclusionOverlay());
    for (int i = 0; i < 4; ++i)
        RunCommand(m_App.Frame(), ID_CAMERA_ORBIT_RIGHT);
    QVERIFY(WaitForFrame());
    auto count = [](const std::vector<unsigned char>& bytes, unsigned char r, unsigned char g,
                    unsigned char b) {
        long n = 0;
        for (size_t i = 0; i + 2 < bytes.size(); i += 3)
            n += bytes[i] == r && bytes[i + 1] == g && bytes[i + 2] == b;
        return n;
    };
    QVERIFY(count(Screen(), 255, 0, 255) > 0);
    RunCommand(m_App.Frame(), ID_VIEW_DISOCCLUSION_OVERLAY);
    QVERIFY(WaitForFrame());
    QCOMPARE(count(Screen(), 255, 0, 255), 0L);

    // The epipole overlay draws the source inset with its sheet lines (yellow) and the epipole.
    RunCommand(m_App.Frame(), ID_VIEW_EPIPOLE_OVERLAY);
    QVERIFY(m_pView->GetEpipoleOverlay());
    QVERIFY(count(Screen(), 255, 220, 0) > 0);
    RunCommand(m_App.Frame(), ID_VIEW_EPIPOLE_OVERLAY);
    QCOMPARE(count(Screen(), 255, 220, 0), 0L);
}

QTEST_MAIN(CNavigationTest)
#include "NavigationTest.moc"

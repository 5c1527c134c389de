// The worker of live navigation: the newest request wins, overtaken ones never reach the
// screen, a delivered frame is a whole warp of its request, and Stop leaves nothing behind.
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "image/ViewImage.h"
#include "ui/LiveRenderer.h"
#include "warp/Navigation.h"

class CLiveRendererTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newestRequestWins();
    void stopDropsWhatIsPending();
    void disoccludedPositionsAreMarkedOnlyWhenAsked();

private:
    std::unique_ptr<CScratchDir> m_pScratch;
    std::unique_ptr<CViewImage> m_pSource;

    LiveRequest Orbit(double dDegrees, bool bMark = false) const {
        double f[3];
        SceneCentre(*m_pSource, f);
        LiveRequest request;
        request.pose = OrbitPose(PoseOf(*m_pSource), f, dDegrees, dDegrees / 3.0);
        request.nX0 = -40;
        request.nY0 = -30;
        request.nWidth = 320;
        request.nHeight = 260;
        request.bMarkDisoccluded = bMark;
        return request;
    }
    std::vector<unsigned char> Expected(const LiveRequest& r) const {
        const CViewImage image(r.pose.cop, r.pose.P, *m_pSource, r.nX0, r.nY0, r.nWidth, r.nHeight);
        std::vector<unsigned char> bytes;
        LiveFrameBytes(image, r.bMarkDisoccluded, bytes);
        return bytes;
    }
};

void CLiveRendererTest::initTestCase() {
    m_pScratch = std::make_unique<CScratchDir>();
    const std::string strRoom = m_pScratch->File("room.txt");
    QCOMPARE(
        RunTool(MORROW_SCENE_TOOL, {"--preset", "room", "-o", QString::fromStdString(strRoom)}), 0);
    m_pSource = std::make_unique<CViewImage>(strRoom.c_str());
    QVERIFY(m_pSource->GetSamples());
}

void CLiveRendererTest::newestRequestWins() {
    CLiveRenderer renderer;
    QSignalSpy ready(&renderer, &CLiveRenderer::FrameReady);
    std::uint64_t nLast = 0;
    for (int i = 1; i <= 25; ++i) // a drag: far faster than the worker
        nLast = renderer.Request(m_pSource.get(), Orbit(i * 1.5));
    QVERIFY(QTest::qWaitFor([&] { return !renderer.IsBusy(); }, 20000));
    QTest::qWait(20); // the last FrameReady is queued
    QVERIFY(ready.count() >= 1);
    QVERIFY(ready.count() < 25); // overtaken requests were dropped unwarped
    LiveFrame frame;
    QVERIFY(renderer.TakeFrame(frame));
    QCOMPARE(frame.request.nSerial, nLast);
    QVERIFY(SamePose(frame.request.pose, Orbit(25 * 1.5).pose));
    QVERIFY(frame.bytes == Expected(frame.request));
    QVERIFY(!renderer.TakeFrame(frame)); // taken once
}

void CLiveRendererTest::stopDropsWhatIsPending() {
    CLiveRenderer renderer;
    QSignalSpy ready(&renderer, &CLiveRenderer::FrameReady);
    for (int i = 0; i < 5; ++i)
        renderer.Request(m_pSource.get(), Orbit(10.0 + i));
    renderer.Stop();
    QVERIFY(!renderer.IsBusy());
    QTest::qWait(50);
    LiveFrame frame;
    QVERIFY(!renderer.TakeFrame(frame));
    // It goes on working after a stop.
    const std::uint64_t nSerial = renderer.Request(m_pSource.get(), Orbit(4.0));
    QVERIFY(QTest::qWaitFor([&] { return renderer.TakeFrame(frame); }, 20000));
    QCOMPARE(frame.request.nSerial, nSerial);
}

void CLiveRendererTest::disoccludedPositionsAreMarkedOnlyWhenAsked() {
    const LiveRequest request = Orbit(25.0, true);
    const CViewImage image(request.pose.cop, request.pose.P, *m_pSource, request.nX0, request.nY0,
                           request.nWidth, request.nHeight);
    std::vector<unsigned char> marked, plain;
    LiveFrameBytes(image, true, marked);
    LiveFrameBytes(image, false, plain);
    std::vector<unsigned char> display(plain.size());
    image.WriteDisplayBytes(display.data());
    QVERIFY(plain == display); // black where nothing was drawn, as the whole warp
    long nMarked = 0;
    for (long i = 0; i < long(request.nWidth) * request.nHeight; ++i) {
        const bool bUnwritten = std::isnan(image.GetSamples()[i].red);
        const unsigned char* p = &marked[size_t(i) * 3];
        const bool bMagenta = p[0] == 255 && p[1] == 0 && p[2] == 255;
        QCOMPARE(bMagenta, bUnwritten);
        nMarked += bMagenta;
    }
    QVERIFY(nMarked > 0); // a 25 degree orbit opens holes
}

QTEST_MAIN(CLiveRendererTest)
#include "LiveRendererTest.moc"

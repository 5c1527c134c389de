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
    // What a frame must show, from the samples form of the windowed warp: its display bytes,
    // and with the mark the positions no triangle wrote (NaN there) in magenta.
    std::vector<unsigned char> Expected(const LiveRequest& r) const {
        const CViewImage image(r.pose.cop, r.pose.P, *m_pSource, r.nX0, r.nY0, r.nWidth, r.nHeight);
        std::vector<unsigned char> bytes(size_t(r.nWidth) * r.nHeight * 3);
        image.WriteDisplayBytes(bytes.data());
        for (size_t i = 0; r.bMarkDisoccluded && i < size_t(r.nWidth) * r.nHeight; ++i)
            if (std::isnan(image.GetSamples()[i].red)) {
                bytes[i * 3] = 255;
                bytes[i * 3 + 1] = 0;
                bytes[i * 3 + 2] = 255;
            }
        return bytes;
    }
    // The frame the worker delivers for one request.
    LiveFrame Render(const LiveRequest& request) const {
        CLiveRenderer renderer;
        renderer.Request(m_pSource.get(), request);
        LiveFrame frame;
        if (!QTest::qWaitFor([&] { return renderer.TakeFrame(frame); }, 20000))
            qWarning("no frame");
        return frame;
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
    auto magenta = [](const std::vector<unsigned char>& bytes) {
        long n = 0;
        for (size_t i = 0; i + 2 < bytes.size(); i += 3)
            n += bytes[i] == 255 && bytes[i + 1] == 0 && bytes[i + 2] == 255;
        return n;
    };
    for (bool bMark : {true, false}) {
        const LiveRequest request = Orbit(25.0, bMark); // a 25 degree orbit opens holes
        const LiveFrame frame = Render(request);
        QVERIFY(frame.bytes == Expected(request));
        QCOMPARE(magenta(frame.bytes) > 0, bMark);
    }
}

QTEST_MAIN(CLiveRendererTest)
#include "LiveRendererTest.moc"

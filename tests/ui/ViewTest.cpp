// The rendering context and the view, drawn for real in an X server with software OpenGL and
// read back with glReadPixels.
#include <QtTest>

#include <QOpenGLContext>
#include <QScreen>
#include <QWindow>

#include <GL/gl.h>

#include "TestSupport.h"
#include "image/ViewImage.h"
#include "ui/GLContext.h"
#include "ui/MorrowView.h"

namespace {

// An image whose every pixel tells where it came from: red = x, green = y (both mod 256),
// blue = 0x40 + 16 * (x / 256) + (y / 256).
CViewImage* MakeImage(int w, int h) {
    CViewImage* pImage = new CViewImage();
    PixelSample* pSamples = new PixelSample[std::size_t(w) * std::size_t(h)];
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            PixelSample& s = pSamples[y * w + x];
            s.red = x % 256 + 0.75; // the fraction is truncated away
            s.green = y % 256;
            s.blue = 0x40 + 16 * (x / 256) + y / 256;
            s.disparity = 1.0;
        }
    }
    pImage->SetWidth(w);
    pImage->SetHeight(h);
    pImage->SetSamples(pSamples);
    return pImage;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
Rgb Expected(int x, int y) {
    return {x % 256, y % 256, 0x40 + 16 * (x / 256) + y / 256};
}

// The window's pixels, row 0 at the bottom: what the X server shows (the presented frame),
// checked against the back buffer read with glReadPixels, which must hold the same picture.
class CReadBack {
public:
    CReadBack(CMorrowView& view, int w, int h) : m_nWidth(w), m_nHeight(h), m_Bytes(w * h * 3) {
        QWindow* pWindow = view.GetGLWindow();
        const QImage shown = pWindow->screen()
                                 ->grabWindow(pWindow->winId(), 0, 0, w, h)
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < h; ++y) {
            const uchar* pRow = shown.constScanLine(h - 1 - y);
            std::copy(pRow, pRow + w * 3, m_Bytes.begin() + std::ptrdiff_t(y) * w * 3);
        }
        std::vector<unsigned char> drawn(std::size_t(w) * h * 3);
        view.GetGLContext().MakeCurrent();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, drawn.data());
        m_bSameAsDrawn = drawn == m_Bytes;
    }
    bool m_bSameAsDrawn = false;
    Rgb At(int x, int y) const {
        const int i = (y * m_nWidth + x) * 3;
        return {m_Bytes[i], m_Bytes[i + 1], m_Bytes[i + 2]};
    }
    int CountNonBlack() const {
        int n = 0;
        for (int i = 0; i < m_nWidth * m_nHeight; ++i)
            n += (m_Bytes[i * 3] | m_Bytes[i * 3 + 1] | m_Bytes[i * 3 + 2]) != 0;
        return n;
    }
    int m_nWidth, m_nHeight;
    std::vector<unsigned char> m_Bytes;
};

QRect Viewport(CMorrowView& view) {
    view.GetGLContext().MakeCurrent();
    GLint v[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, v);
    return QRect(v[0], v[1], v[2], v[3]);
}

} // namespace

class CViewTest : public QObject {
    Q_OBJECT

    // A view as the template makes it: created, initially updated, then shown.
    std::unique_ptr<CMorrowView> MakeView(int w, int h) {
        auto pView = std::make_unique<CMorrowView>();
        pView->OnCreate();
        pView->OnInitialUpdate();
        pView->resize(w, h);
        pView->show();
        if (!QTest::qWaitForWindowExposed(pView->GetGLWindow()))
            return nullptr;
        // The first resize of the window sets the viewport.
        if (!QTest::qWaitFor([&]() { return Viewport(*pView) == QRect(0, 0, w, h); }, 5000))
            return nullptr;
        return pView;
    }

    // Checks that window pixel (x, y) shows image pixel (x, y) inside w x h and black beyond.
    void CheckAnchored(const CReadBack& pixels, int w, int h) {
        QVERIFY(pixels.m_bSameAsDrawn);
        for (int y = 0; y < pixels.m_nHeight; ++y) {
            for (int x = 0; x < pixels.m_nWidth; ++x) {
                const Rgb want = (x < w && y < h) ? Expected(x, y) : Rgb{0, 0, 0};
                if (!(pixels.At(x, y) == want)) {
                    const Rgb got = pixels.At(x, y);
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): got %3 %4 %5, want %6 %7 %8")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got.r)
                                         .arg(got.g)
                                         .arg(got.b)
                                         .arg(want.r)
                                         .arg(want.g)
                                         .arg(want.b)));
                }
            }
        }
    }

private slots:
    void cutsExtensionNames_data() {
        QTest::addColumn<QString>("extensions");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two names and a trailing space") << "a b " << QStringList{"a", "b", ""};
        QTest::newRow("single name") << "a" << QStringList{"a"};
        QTest::newRow("empty") << "" << QStringList{""};
        QTest::newRow("two spaces in a row") << "GL_x  GL_y" << QStringList{"GL_x", "", "GL_y"};
    }
    void cutsExtensionNames() {
        QFETCH(QString, extensions);
        QFETCH(QStringList, names);
        QStringList got;
        for (const std::string& name : CGLContext::CutExtensionNames(qPrintable(extensions)))
            got << QString::fromStdString(name);
        QCOMPARE(got, names);
    }

    void classifiesAcceleration_data() {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("acceleration");
        QTest::newRow("hardware driver") << uint(PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER) << 2;
        QTest::newRow("generic accelerated")
            << uint(PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED) << 1;
        QTest::newRow("generic") << uint(PFD_GENERIC_FORMAT | PFD_SUPPORT_OPENGL) << 0;
        QTest::newRow("accelerated flag alone") << uint(PFD_GENERIC_ACCELERATED) << 0;
    }
    void classifiesAcceleration() {
        QFETCH(uint, flags);
        QFETCH(int, acceleration);
        QCOMPARE(CGLContext::AccelerationFromFlags(flags), acceleration);
    }

    void softwareRendererIsGeneric() {
        QCOMPARE(CGLContext::FormatFlagsForRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"),
                 uint32_t(PFD_GENERIC_FORMAT));
        QCOMPARE(CGLContext::FormatFlagsForRenderer("Mesa Intel(R) UHD Graphics 620"), 0u);
    }

    void contextHasTheFixedFormatAndInfo() {
        QWindow window;
        CGLContext context;
        QVERIFY(context.CreateContext(&window));
        QCOMPARE(context.m_nPixelFormat, 1);
        QCOMPARE(QOpenGLContext::currentContext(), context.m_hRC);
        const QSurfaceFormat format = context.m_hRC->format();
        QCOMPARE(format.redBufferSize(), 8);
        QCOMPARE(format.greenBufferSize(), 8);
        QCOMPARE(format.blueBufferSize(), 8);
        QVERIFY(format.depthBufferSize() >= 24);
        QCOMPARE(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);

        // InitGL twice: one copy of the extensions and one set of names.
        context.InitGL();
        context.InitGL();
        QVERIFY(context.m_pszVendor && context.m_pszRenderer && context.m_pszVersion);
        const char* pszExtensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        QVERIFY(pszExtensions && *pszExtensions);
        QVERIFY(context.m_pszExtensions != nullptr);
        QCOMPARE(context.m_ExtensionNames, CGLContext::CutExtensionNames(pszExtensions));
        QCOMPARE(std::string(context.m_pszExtensions), context.m_ExtensionNames.front());
        QCOMPARE(context.m_nAcceleration, 0); // Mesa's software renderer under Xvfb

        GLfloat clear[4] = {1, 1, 1, 1};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        QCOMPARE(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
        QVERIFY(glIsEnabled(GL_DEPTH_TEST));

        CRecordingSinks sinks;
        context.DestroyContext();
        QVERIFY(sinks.traces.empty());
        QVERIFY(context.m_hRC == nullptr && context.m_pDC == nullptr);
    }

    void failuresTraceOnce() {
        CRecordingSinks sinks;
        CGLContext context;
        QVERIFY(!context.CreateContext(nullptr));
        context.SwapGLBuffers();
        context.DestroyContext();
        QCOMPARE(int(sinks.traces.size()), 3);
        QVERIFY(
            QString::fromStdString(sinks.traces[0]).startsWith("CClientDC construction Failed! "));
        QVERIFY(QString::fromStdString(sinks.traces[1]).startsWith("SwapBuffers Failed! "));
        QVERIFY(QString::fromStdString(sinks.traces[2]).startsWith("wglDeleteContex Failed! "));
        for (const std::string& line : sinks.traces)
            QVERIFY(QString::fromStdString(line).endsWith("\r\n"));
    }

    void refreshBuildsTheBufferByteLayout() {
        CMorrowView view;
        QCOMPARE(view.GetDisplayMode(), 5);
        QVERIFY(view.GetDisplayBuffer() == nullptr);
        std::unique_ptr<CViewImage> pImage(MakeImage(3, 2));
        pImage->GetSamples()[1 * 3 + 2].red = 255.9; // (2, 1)
        pImage->GetSamples()[0].red = 256.0;         // (0, 0)
        view.RefreshDisplay(*pImage);
        QCOMPARE(view.GetDisplayWidth(), 3);
        QCOMPARE(view.GetDisplayHeight(), 2);
        const unsigned char* b = view.GetDisplayBuffer();
        QCOMPARE(int(b[0]), 0);                     // 256.0 wraps to 0
        QCOMPARE(int(b[(1 * 3 + 2) * 3 + 0]), 255); // 255.9 truncates to 255
        QCOMPARE(int(b[(1 * 3 + 2) * 3 + 1]), 1);   // green = y
        QCOMPARE(int(b[(0 * 3 + 1) * 3 + 0]), 1);   // red = x

        CViewImage empty; // no grid: no buffer
        view.RefreshDisplay(empty);
        QVERIFY(view.GetDisplayBuffer() == nullptr);
        QCOMPARE(view.GetDisplayWidth(), 0);
        QCOMPARE(view.GetDisplayHeight(), 0);
    }

    void paintsBlackBeforeAnyImage() {
        auto pView = MakeView(640, 480);
        QVERIFY(pView);
        pView->RepaintNow();
        QCOMPARE(CReadBack(*pView, 640, 480).CountNonBlack(), 0);
        // Mode 6 without a buffer is black too, and asserted.
        CRecordingSinks sinks;
        pView->SetDisplayMode(6);
        pView->RepaintNow();
        QCOMPARE(CReadBack(*pView, 640, 480).CountNonBlack(), 0);
        QCOMPARE(sinks.AssertionCount(), 1);
    }

    void drawsBufferAtTheBottomLeft_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("mode");
        QTest::newRow("200 x 200 source") << 200 << 200 << 6;
        QTest::newRow("223 wide, no shear") << 223 << 117 << 7;
        QTest::newRow("larger than the window, cut right and top") << 900 << 700 << 7;
    }
    void drawsBufferAtTheBottomLeft() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, mode);
        auto pView = MakeView(640, 480);
        QVERIFY(pView);
        std::unique_ptr<CViewImage> pImage(MakeImage(width, height));
        pView->RefreshDisplay(*pImage);
        pView->SetDisplayMode(mode);
        pView->RepaintNow();
        CheckAnchored(CReadBack(*pView, 640, 480), width, height);
    }

    void resizeKeepsThePictureAnchored() {
        auto pView = MakeView(640, 480);
        QVERIFY(pView);
        std::unique_ptr<CViewImage> pImage(MakeImage(200, 200));
        pView->RefreshDisplay(*pImage);
        pView->SetDisplayMode(6);
        pView->resize(333, 257);
        QTRY_COMPARE_WITH_TIMEOUT(Viewport(*pView), QRect(0, 0, 333, 257), 5000);
        pView->RepaintNow();
        CheckAnchored(CReadBack(*pView, 333, 257), 200, 200);

        // A zero size (a minimised window) leaves the viewport as it was.
        pView->OnSize(0, 0, 0);
        QCOMPARE(Viewport(*pView), QRect(0, 0, 333, 257));
        pView->OnSize(0, 120, 0);
        QCOMPARE(Viewport(*pView), QRect(0, 0, 333, 257));
        pView->OnSize(0, 120, 90);
        QCOMPARE(Viewport(*pView), QRect(0, 0, 120, 90));
    }

    void initialUpdateResetsTheDisplay() {
        auto pView = MakeView(320, 240);
        QVERIFY(pView);
        std::unique_ptr<CViewImage> pImage(MakeImage(200, 200));
        pView->RefreshDisplay(*pImage);
        pView->SetDisplayMode(7);
        pView->OnInitialUpdate();
        QCOMPARE(pView->GetDisplayMode(), 5);
        QVERIFY(pView->GetDisplayBuffer() == nullptr);
        pView->RepaintNow();
        QCOMPARE(CReadBack(*pView, 320, 240).CountNonBlack(), 0);
    }

    void viewWithoutContextTracesEveryPaint() {
        CRecordingSinks sinks;
        CMorrowView view; // never created: no rendering context
        view.resize(100, 80);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(view.GetGLWindow()));
        QCoreApplication::processEvents();
        sinks.traces.clear();
        view.RepaintNow();
        view.RepaintNow();
        QCOMPARE(int(sinks.traces.size()), 2);
        QVERIFY(QString::fromStdString(sinks.traces[0]).startsWith("SwapBuffers Failed! "));
    }
};

QTEST_MAIN(CViewTest)
#include "ViewTest.moc"

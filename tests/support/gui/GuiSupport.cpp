#include "GuiSupport.h"

#include <GL/gl.h>

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "app/MainFrm.h"
#include "app/Morrow.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "platform/FrameWnd.h"
#include "ui/MorrowView.h"

CStartedApp::CStartedApp() = default;

CStartedApp::~CStartedApp() {
    End();
}

bool CStartedApp::Start(const QStringList& args, const QSize& size) {
    End();
    m_Args.clear();
    m_Args.push_back(QByteArray("morrow"));
    for (const QString& strArg : args)
        m_Args.push_back(strArg.toLocal8Bit());
    m_Argv.clear();
    for (QByteArray& arg : m_Args)
        m_Argv.push_back(arg.data());
    m_Argv.push_back(nullptr);
    m_nArgc = int(m_Args.size());
    m_pApp = std::make_unique<CMorrowApp>(m_nArgc, m_Argv.data());
    if (!m_pApp->InitInstance())
        return false;
    m_pFrame = m_pApp->m_pMainWnd;
    if (!m_pFrame)
        return false;
    if (size.isValid())
        m_pFrame->resize(size);
    if (!QTest::qWaitForWindowExposed(m_pFrame))
        return false;
    m_pView = dynamic_cast<CMorrowView*>(m_pFrame->GetActiveView());
    m_pDoc = m_pView ? dynamic_cast<CMorrowDoc*>(m_pView->GetDocument()) : nullptr;
    return m_pDoc && QTest::qWaitFor([this]() { return m_pView->GetGLWindow()->isExposed(); });
}

void CStartedApp::End() {
    // The document template owns frame, view and document.
    m_pFrame = nullptr;
    m_pView = nullptr;
    m_pDoc = nullptr;
    m_pApp.reset();
}

CMainFrame* CStartedApp::MainFrame() const {
    return qobject_cast<CMainFrame*>(m_pFrame);
}

int RunTool(const QString& strProgram, const QStringList& args, QString* pstrOutput) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(strProgram, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (pstrOutput)
        *pstrOutput = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

CFileDialogAnswers::CFileDialogAnswers(std::vector<std::optional<QString>> answers)
    : m_Answers(std::move(answers)) {
    m_OldHook = CFileDialog::SetHook([this](const CFileDialog& dlg) -> std::optional<QString> {
        asked.push_back({dlg.IsOpenDialog(), dlg.GetDefExt(), dlg.GetFlags()});
        if (m_Answers.empty())
            return std::nullopt;
        std::optional<QString> answer = m_Answers.front();
        m_Answers.erase(m_Answers.begin());
        return answer;
    });
}

CFileDialogAnswers::~CFileDialogAnswers() {
    CFileDialog::SetHook(std::move(m_OldHook));
}

CModalDriver::CModalDriver(std::vector<std::function<void(QWidget*)>> steps)
    : m_Steps(std::move(steps)), m_pTimer(new QTimer()), m_pLast(nullptr), m_nNext(0) {
    m_pTimer->setInterval(5);
    QObject::connect(m_pTimer, &QTimer::timeout, [this]() {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal || !pModal->isVisible()) {
            m_pLast = nullptr;
            return;
        }
        if (pModal == m_pLast || m_nNext >= int(m_Steps.size()))
            return;
        m_pLast = pModal;
        m_Steps[size_t(m_nNext++)](pModal);
    });
    m_pTimer->start();
}

CModalDriver::~CModalDriver() {
    m_pTimer->stop();
    delete m_pTimer;
}

void FillAndClick(QWidget* pDialog, const std::vector<std::pair<int, QString>>& fields,
                  int nButton) {
    for (const auto& field : fields) {
        QLineEdit* pEdit = pDialog->findChild<QLineEdit*>(QString::number(field.first));
        QVERIFY(pEdit);
        pEdit->setText(field.second);
    }
    QPushButton* pButton = pDialog->findChild<QPushButton*>(QString::number(nButton));
    QVERIFY(pButton);
    QTest::mouseClick(pButton, Qt::LeftButton);
}

void RunCommand(CFrameWnd* pFrame, int nID) {
    QAction* pAction = pFrame->GetCommand(nID);
    QVERIFY(pAction);
    QVERIFY(pAction->isEnabled());
    pAction->trigger();
}

std::string BmpBytes(const CViewImage& image) {
    std::vector<unsigned char> bytes;
    if (!image.EncodeBmp(bytes))
        return std::string();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<unsigned char> DisplayBytes(const CViewImage& image) {
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    std::vector<unsigned char> bytes(size_t(w) * size_t(h) * 3);
    if (image.GetColours()) // a warp into bytes: they are the display bytes
        return std::vector<unsigned char>(image.GetColours(), image.GetColours() + bytes.size());
    if (!image.GetSamples())
        return {};
    for (int i = 0; i < w * h; ++i) {
        const PixelSample& s = image.GetSamples()[i];
        bytes[size_t(i) * 3 + 0] = ColourToByte(s.red);
        bytes[size_t(i) * 3 + 1] = ColourToByte(s.green);
        bytes[size_t(i) * 3 + 2] = ColourToByte(s.blue);
    }
    return bytes;
}

std::vector<unsigned char> ReadScreen(CMorrowView& view, int w, int h) {
    // What the X server shows of the window, bottom rows first.
    std::vector<unsigned char> bytes(size_t(w) * size_t(h) * 3);
    QWindow* pWindow = view.GetGLWindow();
    const int nWindowHeight = pWindow->height();
    const QImage shown = pWindow->screen()
                             ->grabWindow(pWindow->winId(), 0, nWindowHeight - h, w, h)
                             .toImage()
                             .convertToFormat(QImage::Format_RGB888);
    if (shown.width() != w || shown.height() != h)
        return {};
    for (int y = 0; y < h; ++y) {
        const uchar* pRow = shown.constScanLine(h - 1 - y);
        std::copy(pRow, pRow + w * 3, bytes.begin() + std::ptrdiff_t(y) * w * 3);
    }
    return bytes;
}

std::vector<unsigned char> ReadGLPixels(CMorrowView& view, int w, int h) {
    if (w <= 0 || h <= 0 || !view.GetGLContext().MakeCurrent())
        return {};
    // The frame the next paint presents, read from the back buffer before it is swapped (what
    // the front buffer holds after a swap is the window system's business).
    view.DrawFrame();
    std::vector<unsigned char> bytes(size_t(w) * size_t(h) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

// The X11 headers define macros (None, Bool, Status...) that clash with Qt's: they come last.
#ifdef MORROW_TEST_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

bool SetKeyLocks(bool bCaps, bool bNum) {
#ifdef MORROW_TEST_HAVE_XKB
    auto* pX11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay)
        return false;
    // Num Lock is a virtual modifier: ask the keyboard map which real one carries it.
    const unsigned nNumMask = XkbKeysymToModifiers(pDisplay, XK_Num_Lock);
    if (nNumMask == 0)
        return false;
    const unsigned nMask = LockMask | nNumMask;
    const unsigned nValues = (bCaps ? LockMask : 0u) | (bNum ? nNumMask : 0u);
    if (!XkbLockModifiers(pDisplay, XkbUseCoreKbd, nMask, nValues))
        return false;
    XSync(pDisplay, False);
    return true;
#else
    (void)bCaps;
    (void)bNum;
    return false;
#endif
}

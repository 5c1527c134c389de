#include "app/Morrow.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/MainFrm.h"
#include "app/MorrowDoc.h"
#include "framework/Services.h"
#include "platform/DocTemplate.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"

const char kMorrowVersion[] = MORROW_VERSION;

const char CMorrowApp::kDocStrings[] = "Morrow\n\nMorrow\n\n\nMorrow.Document\nMorrow Document";

// The resources live in a static library, so they are registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(morrow);
}

CMorrowApp::CMorrowApp(int& argc, char** argv) : CWinApp(argc, argv, QStringLiteral("Morrow")) {
    InitResources();
    // Menus carry text only; the images are the toolbar's.
    QApplication::setAttribute(Qt::AA_DontShowIconsInMenus);
    QApplication::setApplicationVersion(QString::fromLatin1(kMorrowVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/morrow/morrow.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("morrow"));
    m_OptionsWithValue << QStringLiteral("--imagedata");
}

CMorrowApp::~CMorrowApp() = default;

bool CMorrowApp::InitInstance() {
    // 1. Embedded controls and the three-dimensional control look need nothing on Qt.
    // 2. Settings under the organisation and the application title.
    SetRegistryKey(QStringLiteral("Local AppWizard-Generated Applications"));
    // 3. Standard settings with a recent-file list of 4 entries.
    LoadStdProfileSettings(4);
    // 4. The single-document template of resource 128.
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, QString::fromLatin1(kDocStrings), []() { return new CMorrowDoc(); },
        []() { return new CMainFrame(); }, []() { return new CMorrowView(); }));
    // 5. The command line; no argument is a new document.
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return false;
    // 6. Show the main window and paint it at once.
    m_pMainWnd->show();
    m_pMainWnd->repaint();

    // Start-up options that run a view command once the window is up are handled here.
    // "--imagedata FILE" (Load Imagedata on FILE) is parsed with its value in cmdInfo.m_Options.
    const int nImagedata = cmdInfo.m_Options.indexOf(QStringLiteral("--imagedata"));
    if (nImagedata >= 0) {
        CMorrowView* pView = dynamic_cast<CMorrowView*>(m_pMainWnd->GetActiveView());
        if (nImagedata + 1 >= cmdInfo.m_Options.size())
            ShowMessageBox("The option --imagedata needs the name of a data file.");
        else if (pView)
            pView->LoadImagedataFile(cmdInfo.m_Options[nImagedata + 1]);
    }

    // 7.
    return true;
}

void CMorrowApp::OnAppAbout() {
    CAboutDlg aboutDlg(m_pMainWnd);
    aboutDlg.exec();
}

bool CMorrowApp::OnCmdMsg(int nID, bool bExecute) {
    if (nID == ID_APP_ABOUT) {
        if (bExecute)
            OnAppAbout();
        return true;
    }
    return CWinApp::OnCmdMsg(nID, bExecute);
}

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QString::number(IDD_ABOUTBOX));
    setWindowTitle(QStringLiteral("About Morrow"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);

    // Dialog units: a quarter of the font's average character width horizontally, an eighth
    // of its height vertically.
    const QFontMetrics metrics(font);
    const QString strSample =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int nBaseX = (metrics.horizontalAdvance(strSample) / 26 + 1) / 2;
    const int nBaseY = metrics.height();
    auto toRect = [nBaseX, nBaseY](int x, int y, int w, int h) {
        return QRect(x * nBaseX / 4, y * nBaseY / 8, w * nBaseX / 4, h * nBaseY / 8);
    };
    setFixedSize(toRect(0, 0, 235, 55).size());

    QLabel* pIcon = new QLabel(this);
    pIcon->setObjectName(QString::number(IDR_MAINFRAME));
    pIcon->setPixmap(QIcon(QStringLiteral(":/morrow/morrow.png")).pixmap(32, 32));
    const QRect iconRect = toRect(11, 17, 20, 20);
    pIcon->setGeometry(iconRect.x(), iconRect.y(), 32, 32);

    QLabel* pText = new QLabel(QStringLiteral("Morrow Version 1.0"), this);
    pText->setObjectName(QStringLiteral("-1"));
    pText->setGeometry(toRect(40, 10, 119, 8));

    QPushButton* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName(QString::number(IDOK));
    pOk->setGeometry(toRect(178, 7, 50, 14));
    pOk->setDefault(true);
    pOk->setAutoDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

// The application shell as the user meets it: start-up, menu, accelerators, toolbar, status
// bar, title, About box, the document's File commands, the recent-file list and printing.
#include <QtTest>

#include <QLabel>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/MainFrm.h"
#include "app/Morrow.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "platform/FileDialog.h"
#include "platform/RecentFileList.h"
#include "platform/StatusBar.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"

namespace {

CViewImage* MakeImage(int w, int h) {
    CViewImage* pImage = new CViewImage();
    pImage->SetWidth(w);
    pImage->SetHeight(h);
    pImage->SetSamples(new PixelSample[std::size_t(w) * h]());
    return pImage;
}

// Runs fn once the next modal dialog is up (fn closes it).
void OnNextModal(std::function<void(QWidget*)> fn) {
    QTimer::singleShot(0, [fn]() {
        QWidget* pModal = nullptr;
        if (!QTest::qWaitFor(
                [&]() { return (pModal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            QFAIL("no modal dialog came up");
        fn(pModal);
        // A failed check inside fn must not leave the test waiting on the dialog.
        if (QApplication::activeModalWidget() == pModal)
            pModal->close();
    });
}

} // namespace

class CShellTest : public QObject {
    Q_OBJECT

    CScratchDir m_Scratch;
    CStartedApp m_App;
    CMainFrame* m_pFrame = nullptr;

    CMorrowView* View() const { return static_cast<CMorrowView*>(m_pFrame->GetActiveView()); }
    CMorrowDoc* Doc() const { return dynamic_cast<CMorrowDoc*>(View()->GetDocument()); }

    // A started application, as main starts it.
    bool Start() {
        m_pFrame = nullptr;
        if (!m_App.Start())
            return false;
        m_pFrame = m_App.MainFrame();
        return m_pFrame != nullptr;
    }

private slots:
    void initTestCase() {
        // A scratch settings location: the tests never touch the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_Scratch.Path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(m_Scratch.Path()));
    }
    void init() {
        QSettings("Local AppWizard-Generated Applications", "Morrow").clear();
        QVERIFY(Start());
    }
    void cleanup() {
        m_pFrame = nullptr;
        m_App.End();
    }

    void startsWithOneTitledWindow() {
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("Untitled - Morrow"));
        QVERIFY(m_pFrame->isVisible());
        QCOMPARE(View()->GetDisplayMode(), 5);
        QVERIFY(View()->GetDisplayBuffer() == nullptr);
        QVERIFY(Doc() && !Doc()->m_pSourceImage && !Doc()->m_pWarpedImage);
        QVERIFY(!QApplication::windowIcon().pixmap(32, 32).isNull());
    }

    void menuTree_data() {
        QTest::addColumn<int>("popup");
        QTest::addColumn<QString>("title");
        // One entry per item: "text|id|shortcuts|enabled"; "-" is a separator.
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << 0 << "&File"
                              << QStringList{"&New\tCtrl+N|57600|Ctrl+N|1",
                                             "&Open...\tCtrl+O|57601|Ctrl+O|1",
                                             "&Save\tCtrl+S|57603|Ctrl+S|1",
                                             "Save &As...|57604||1",
                                             "-",
                                             "&Print...\tCtrl+P|57607|Ctrl+P|1",
                                             "Print Pre&view|57609||1",
                                             "P&rint Setup...|57606||1",
                                             "-",
                                             "Recent File|57616||0",
                                             "-",
                                             "E&xit|57665||1"};
        QTest::newRow("Edit") << 1 << "&Edit"
                              << QStringList{"&Undo\tCtrl+Z|57643|Ctrl+Z, Alt+Backspace|0", "-",
                                             "Cu&t\tCtrl+X|57635|Ctrl+X, Shift+Del|0",
                                             "&Copy\tCtrl+C|57634|Ctrl+C, Ctrl+Ins|0",
                                             "&Paste\tCtrl+V|57637|Ctrl+V, Shift+Ins|0"};
        QTest::newRow("View") << 2 << "&View"
                              << QStringList{"&Toolbar|59392||1",
                                             "&Status Bar|59393||1",
                                             "-",
                                             "&Actual Size\tCtrl+0|32790|Ctrl+0|1",
                                             "&Fit to Window\tCtrl+9|32791|Ctrl+9|1",
                                             "Zoom &In\tCtrl++|32792|Ctrl++, Ctrl+=|1",
                                             "Zoom &Out\tCtrl+-|32793|Ctrl+-|1",
                                             "-",
                                             "&Epipole and Sheets\tE|32794|E|1",
                                             "&Disoccluded Positions\tO|32795|O|1"};
        QTest::newRow("Help") << 3 << "&Help" << QStringList{"&About Morrow...|57664||1"};
        QTest::newRow("LOADIMAGE")
            << 4 << "LOADIMAGE"
            << QStringList{"Load Imagedata|32771||1", "Free Camera Move|32772||1",
                           "Focus Camera Move|32774||1"};
        QTest::newRow("Save") << 5 << "Save"
                              << QStringList{"Save Source File to BMP|32773||1",
                                             "Save Warped File to BMP|32775||1", "-",
                                             "Save Warped File as RGB-D...|32780||1"};
        QTest::newRow("Camera") << 6 << "&Camera"
                                << QStringList{"Orbit &Left\tLeft|32800|Left|1",
                                               "Orbit &Right\tRight|32801|Right|1",
                                               "Orbit &Up\tUp|32802|Up|1",
                                               "Orbit &Down\tDown|32803|Down|1",
                                               "-",
                                               "&Forward\tW|32804|W|1",
                                               "&Back\tS|32805|S|1",
                                               "Pan L&eft\tA|32806|A|1",
                                               "Pan Ri&ght\tD|32807|D|1",
                                               "-",
                                               "&Source Camera\tHome|32808|Home|1",
                                               "&Copy Camera\tCtrl+Shift+C|32809|Ctrl+Shift+C|1"};
    }
    void menuTree() {
        QFETCH(int, popup);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        const QList<QAction*> popups = m_pFrame->menuBar()->actions();
        QCOMPARE(popups.size(), 7);
        QMenu* pMenu = popups[popup]->menu();
        QVERIFY(pMenu);
        QCOMPARE(popups[popup]->text(), title);
        emit pMenu->aboutToShow(); // the states are refreshed when the menu opens
        const QList<QAction*> actions = pMenu->actions();
        QStringList got;
        for (QAction* pAction : actions) {
            if (pAction->isSeparator()) {
                got << "-";
                continue;
            }
            got << QStringLiteral("%1|%2|%3|%4")
                       .arg(pAction->text())
                       .arg(pAction->data().toInt())
                       .arg(QKeySequence::listToString(pAction->shortcuts(),
                                                       QKeySequence::PortableText)
                                .replace("; ", ", "))
                       .arg(pAction->isEnabled() ? 1 : 0);
        }
        QCOMPARE(got, items);
    }

    void acceleratorsOutsideTheMenu() {
        // Next and previous pane have accelerators but no handler here: disabled.
        QAction* pNext = m_pFrame->GetCommand(ID_NEXT_PANE);
        QAction* pPrev = m_pFrame->GetCommand(ID_PREV_PANE);
        QVERIFY(pNext && pPrev);
        QCOMPARE(pNext->shortcut(), QKeySequence(Qt::Key_F6));
        QCOMPARE(pPrev->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));
        QVERIFY(!pNext->isEnabled() && !pPrev->isEnabled());
        // The view's own commands have none.
        for (int nID : {ID_LOAD_IMAGEDATA, ID_FREE_CAMERA_MOVE, ID_FOCUS_CAMERA_MOVE,
                        ID_SAVE_SOURCE_FILE, ID_SAVE_WARPED_FILE})
            QVERIFY(m_pFrame->GetCommand(nID)->shortcuts().isEmpty());
        // An accelerator reaches its command: Ctrl+N is File New.
        View()->SetDisplayMode(7);
        m_pFrame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_pFrame));
        QTest::keyClick(m_pFrame, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(View()->GetDisplayMode(), 5);
    }

    void toolbarButtons() {
        QToolBar* pBar = m_pFrame->m_wndToolBar;
        QCOMPARE(m_pFrame->toolBarArea(pBar), Qt::TopToolBarArea);
        QVERIFY(pBar->isMovable() && pBar->isFloatable());
        QCOMPARE(pBar->allowedAreas(), Qt::AllToolBarAreas);
        QStringList got;
        for (QAction* pAction : pBar->actions()) {
            if (pAction->isSeparator()) {
                got << "-";
                continue;
            }
            QToolButton* pButton = qobject_cast<QToolButton*>(pBar->widgetForAction(pAction));
            QVERIFY(pButton);
            QCOMPARE(pAction->icon().pixmap(16, 15).size(), QSize(16, 15));
            QCOMPARE(pButton->isEnabled(), pAction->isEnabled());
            got << QStringLiteral("%1:%2%3")
                       .arg(pAction->data().toInt())
                       .arg(pAction->toolTip())
                       .arg(pButton->isEnabled() ? "" : " (disabled)");
        }
        QCOMPARE(got,
                 (QStringList{"57600:New", "57601:Open", "57603:Save", "-", "57635:Cut (disabled)",
                              "57634:Copy (disabled)", "57637:Paste (disabled)", "-", "57607:Print",
                              "-", "57664:About"}));
        // View, Toolbar hides and shows it.
        QVERIFY(m_pFrame->GetCommand(ID_VIEW_TOOLBAR)->isChecked());
        m_pFrame->ExecuteCommand(ID_VIEW_TOOLBAR);
        QVERIFY(pBar->isHidden());
        QVERIFY(!m_pFrame->GetCommand(ID_VIEW_TOOLBAR)->isChecked());
        m_pFrame->ExecuteCommand(ID_VIEW_TOOLBAR);
        QVERIFY(!pBar->isHidden());
    }

    void statusBarShowsReadyAndPrompts() {
        CStatusBar* pBar = m_pFrame->m_wndStatusBar;
        QCOMPARE(pBar->currentMessage(), QStringLiteral("Ready"));
        // A fly-by prompt while the pointer is over a command, then "Ready" again.
        m_pFrame->GetCommand(ID_FILE_NEW)->showStatusText(m_pFrame);
        QCOMPARE(pBar->currentMessage(), QStringLiteral("Create a new document"));
        pBar->clearMessage();
        QCOMPARE(pBar->currentMessage(), QStringLiteral("Ready"));
        QCOMPARE(m_pFrame->GetCommand(ID_LOAD_IMAGEDATA)->statusTip(), QString());
        // Three indicators after the message pane, blank while their lock is off: the test's
        // own X server starts with every lock off. Caps Lock and Num Lock turned on show at the
        // next poll of the lock state, and go blank again when turned off.
        QList<QLabel*> panes;
        for (int nID : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL}) {
            panes << pBar->findChild<QLabel*>(QString::number(nID));
            QVERIFY(panes.last());
        }
        auto texts = [&panes]() {
            return QStringList{panes[0]->text(), panes[1]->text(), panes[2]->text()};
        };
        QCOMPARE(texts(), (QStringList{"", "", ""}));
        const auto unlock = qScopeGuard([]() { SetKeyLocks(false, false); });
        if (!SetKeyLocks(true, true))
            QSKIP("the lock keys cannot be set here (no X11 client library)");
        QTRY_COMPARE(texts(), (QStringList{"CAP", "NUM", ""}));
        QCOMPARE(pBar->GetPaneText(ID_INDICATOR_CAPS), QStringLiteral("CAP"));
        QVERIFY(SetKeyLocks(false, true));
        QTRY_COMPARE(texts(), (QStringList{"", "NUM", ""}));
        QVERIFY(SetKeyLocks(false, false));
        QTRY_COMPARE(texts(), (QStringList{"", "", ""}));
    }

    void aboutBox() {
        bool bSeen = false;
        OnNextModal([&](QWidget* pModal) {
            bSeen = true;
            QCOMPARE(pModal->windowTitle(), QStringLiteral("About Morrow"));
            QStringList labels;
            for (QLabel* pLabel : pModal->findChildren<QLabel*>())
                labels << pLabel->text();
            QVERIFY(labels.contains("Morrow Version 1.0"));
            QLabel* pIcon = pModal->findChild<QLabel*>(QString::number(IDR_MAINFRAME));
            QVERIFY(pIcon && !pIcon->pixmap().isNull());
            QPushButton* pOk = pModal->findChild<QPushButton*>(QString::number(IDOK));
            QVERIFY(pOk && pOk->text() == "OK" && pOk->isDefault());
            pOk->click();
        });
        m_pFrame->ExecuteCommand(ID_APP_ABOUT);
        QVERIFY(bSeen);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void fileNewResetsTheDisplayAndKeepsTheImages() {
        CMorrowDoc* pDoc = Doc();
        pDoc->m_pSourceImage = MakeImage(200, 200);
        pDoc->m_pWarpedImage = MakeImage(223, 190);
        CViewImage* pSource = pDoc->m_pSourceImage;
        CViewImage* pWarped = pDoc->m_pWarpedImage;
        View()->RefreshDisplay(*pWarped);
        View()->SetDisplayMode(7);
        m_pFrame->ExecuteCommand(ID_FILE_NEW);
        QCOMPARE(View()->GetDisplayMode(), 5);
        QVERIFY(View()->GetDisplayBuffer() == nullptr);
        QCOMPARE(pDoc, Doc()); // the one document is reused
        QCOMPARE(pDoc->m_pSourceImage, pSource);
        QCOMPARE(pDoc->m_pWarpedImage, pWarped);
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("Untitled - Morrow"));
    }

    void fileSaveWritesZeroBytes() {
        const std::string strPath = m_Scratch.File("picture.mdoc");
        WriteFileBytes(strPath, "older contents");
        // Cancel first, then a name.
        CFileDialogAnswers answers({std::nullopt, QString::fromStdString(strPath)});
        Doc()->m_pSourceImage = MakeImage(2, 2);
        m_pFrame->ExecuteCommand(ID_FILE_SAVE);
        QCOMPARE(ReadFileBytes(strPath), std::string("older contents")); // cancelled
        m_pFrame->ExecuteCommand(ID_FILE_SAVE);
        QCOMPARE(answers.asked.size(), size_t(2));
        QVERIFY(!answers.asked[0].bOpen && !answers.asked[1].bOpen);
        QVERIFY(QFileInfo::exists(QString::fromStdString(strPath)));
        QCOMPARE(QFileInfo(QString::fromStdString(strPath)).size(), qint64(0));
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("picture.mdoc - Morrow"));
        // Save again goes to the same file without asking.
        m_pFrame->ExecuteCommand(ID_FILE_SAVE);
        QCOMPARE(answers.asked.size(), size_t(2));
        QCOMPARE(QFileInfo(QString::fromStdString(strPath)).size(), qint64(0));
        QVERIFY(!Doc()->IsModified());
    }

    void fileOpenReadsNothingAndEntersTheList() {
        const std::string strPath = m_Scratch.File("scene.txt");
        const std::string strMissing = m_Scratch.File("missing.txt");
        WriteFileBytes(strPath, "not a document");
        CFileDialogAnswers answers(
            {QString::fromStdString(strPath), QString::fromStdString(strMissing)});
        Doc()->m_pSourceImage = MakeImage(200, 200);
        View()->RefreshDisplay(*Doc()->m_pSourceImage);
        View()->SetDisplayMode(6);
        m_pFrame->ExecuteCommand(ID_FILE_OPEN);
        QCOMPARE(answers.asked.size(), size_t(1));
        QVERIFY(answers.asked[0].bOpen);
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("scene.txt - Morrow"));
        QCOMPARE(View()->GetDisplayMode(), 5);
        QVERIFY(Doc()->m_pSourceImage != nullptr);
        QCOMPARE(ReadFileBytes(strPath), std::string("not a document"));
        QCOMPARE(m_App.App()->GetRecentFileList()->GetEntries(),
                 QStringList{QString::fromStdString(strPath)});

        // A file that cannot be opened is reported and changes nothing.
        CRecordingSinks sinks;
        m_pFrame->ExecuteCommand(ID_FILE_OPEN);
        QCOMPARE(sinks.messages,
                 std::vector<std::string>{"Cannot open the document " + strMissing + "."});
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("scene.txt - Morrow"));
    }

    void recentFilesPersistAcrossARestart() {
        std::vector<std::optional<QString>> answered;
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            const std::string strPath = m_Scratch.File("doc" + std::to_string(i) + ".txt");
            WriteFileBytes(strPath, "");
            paths << QString::fromStdString(strPath);
            answered.push_back(paths.last());
        }
        CFileDialogAnswers answers(answered);
        for (int i = 0; i < 5; ++i)
            m_pFrame->ExecuteCommand(ID_FILE_OPEN);
        QCOMPARE(answers.asked.size(), size_t(5));
        const QStringList newestFirst{paths[4], paths[3], paths[2], paths[1]}; // 4 kept

        QVERIFY(Start()); // a new run of the program
        QCOMPARE(m_App.App()->GetRecentFileList()->GetEntries(), newestFirst);
        QMenu* pFile = m_pFrame->menuBar()->actions()[0]->menu();
        emit pFile->aboutToShow();
        QStringList texts;
        for (QAction* pAction : pFile->actions()) {
            if (pAction->isVisible() && !pAction->isSeparator())
                texts << pAction->text();
        }
        QCOMPARE(texts.mid(7, 4), (QStringList{"&1 " + paths[4], "&2 " + paths[3], "&3 " + paths[2],
                                               "&4 " + paths[1]}));
        QVERIFY(!texts.contains("Recent File"));

        // Choosing an entry opens it; one whose file has gone leaves the list.
        m_pFrame->ExecuteCommand(ID_FILE_MRU_FILE1 + 2);
        QCOMPARE(m_pFrame->windowTitle(), QStringLiteral("doc2.txt - Morrow"));
        QFile::remove(paths[3]);
        CRecordingSinks sinks;
        m_pFrame->ExecuteCommand(ID_FILE_MRU_FILE1 + 2); // doc3 after the reordering
        QCOMPARE(sinks.messages, std::vector<std::string>{"Cannot open the document " +
                                                          paths[3].toStdString() + "."});
        QVERIFY(!m_App.App()->GetRecentFileList()->GetEntries().contains(paths[3]));
    }

    void closingNeverAsksToSave() {
        Doc()->m_pSourceImage = MakeImage(2, 2);
        QVERIFY(m_pFrame->close());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void startupFailsWithADocumentThatCannotBeOpened() {
        m_pFrame = nullptr;
        m_App.End();
        CRecordingSinks sinks;
        CStartedApp app;
        const std::string strGone = m_Scratch.File("gone.mdoc");
        QVERIFY(!app.Start({QString::fromStdString(strGone)}));
        QCOMPARE(sinks.messages,
                 std::vector<std::string>{"Cannot open the document " + strGone + "."});
    }

    void printPreviewShowsABlankPage() {
        bool bSeen = false;
        OnNextModal([&](QWidget* pModal) {
            bSeen = true;
            QPrintPreviewWidget* pPreview = pModal->findChild<QPrintPreviewWidget*>();
            QVERIFY(pPreview);
            QTRY_VERIFY(pPreview->pageCount() == 1);
            pPreview->setZoomMode(QPrintPreviewWidget::FitInView);
            QCoreApplication::processEvents();
            const QImage shot = pPreview->grab().toImage().convertToFormat(QImage::Format_RGB32);
            // The page sits in the middle; everything on it is paper white.
            const QRect middle(shot.width() * 2 / 5, shot.height() * 2 / 5, shot.width() / 5,
                               shot.height() / 5);
            for (int y = middle.top(); y <= middle.bottom(); ++y)
                for (int x = middle.left(); x <= middle.right(); ++x)
                    QCOMPARE(shot.pixel(x, y), qRgb(255, 255, 255));
            pModal->close();
        });
        m_pFrame->ExecuteCommand(ID_FILE_PRINT_PREVIEW);
        QVERIFY(bSeen);
    }
};

QTEST_MAIN(CShellTest)
#include "ShellTest.moc"

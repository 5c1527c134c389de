// The five view commands run from the application's menu, with the real camera-move dialogs and
// file dialogs (answered through the dialog hook, or driven for real), checked against the
// document, the display buffer, the pixels on the screen and the files written.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include <fstream>
#include <memory>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/MainFrm.h"
#include "app/Morrow.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "ui/CameraFreeMoveDialog.h"
#include "ui/FocusCameraMoveDialog.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"
#include "warp/Warp.h"

namespace {

// What the commands may change.
struct Snapshot {
    CViewImage* pSource;
    CViewImage* pWarped;
    int nMode;
    int nWidth, nHeight;
    std::vector<unsigned char> buffer;
    bool operator==(const Snapshot& o) const {
        return pSource == o.pSource && pWarped == o.pWarped && nMode == o.nMode &&
               nWidth == o.nWidth && nHeight == o.nHeight && buffer == o.buffer;
    }
};

using Fields = std::vector<std::pair<int, QString>>;
using Free = CCameraFreeMoveDialog;
using Focus = CFocusCameraMoveDialog;

// Free move (0, 5, 0) to (0.9, 2.1, -3.0) and focus move (5, -10, 0) with zoom 0.9 on the room.
const Fields kFreeFields = {{Free::IDC_ROT_X, "0"},   {Free::IDC_ROT_Y, "5"},
                            {Free::IDC_ROT_Z, "0"},   {Free::IDC_POS_X, "0.9"},
                            {Free::IDC_POS_Y, "2.1"}, {Free::IDC_POS_Z, "-3.0"}};
const Fields kFocusFields = {{Focus::IDC_ZOOM, "0.9"},
                             {Focus::IDC_ROT_X, "5"},
                             {Focus::IDC_ROT_Y, "-10"},
                             {Focus::IDC_ROT_Z, "0"}};

} // namespace

class CCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadShowsSource();
    void movesShowWarped_data();
    void movesShowWarped();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void fileNewKeepsImagesForSaves();
    void loadFailureKeepsEverything();
    void loadProblemsAreReported_data();
    void loadProblemsAreReported();
    void nothingLoadedOrNothingToSave();
    void bmpWriteFailure();
    void repeatedWarpMessagesCounted();
    void moveTooCostlyKeepsThePicture();
    void realFileDialogs();

private:
    std::unique_ptr<CScratchDir> m_pScratch;
    CStartedApp m_App;
    CFrameWnd* m_pFrame = nullptr;
    CMorrowView* m_pView = nullptr;
    CMorrowDoc* m_pDoc = nullptr;
    QString m_strRoom;

    QString File(const char* pszName) const {
        return QString::fromStdString(m_pScratch->File(pszName));
    }
    Snapshot Take() const;
    void Load(const QString& strPath);
    void Move(int nCommand, const Fields& fields);
    QString Status() const { return m_pFrame->statusBar()->currentMessage(); }
};

void CCommandsTest::initTestCase() {
    m_pScratch = std::make_unique<CScratchDir>();
    // The application keeps its settings here, not in the user's.
    qputenv("XDG_CONFIG_HOME", File("config").toLocal8Bit());
    m_strRoom = File("room.txt");
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--preset", "room", "-o", m_strRoom}), 0);

    // Variants of the sample: cut short, one record outside the grid, a source camera whose
    // matrix is all zeros (every inversion fails).
    std::vector<std::string> lines;
    {
        std::ifstream in(m_strRoom.toStdString());
        for (std::string strLine; std::getline(in, strLine);)
            lines.push_back(strLine);
    }
    QCOMPARE(lines.size(), size_t(6 + 40000));
    auto write = [&](const char* pszName, const std::vector<std::string>& content) {
        std::ofstream out(m_pScratch->File(pszName));
        for (const std::string& strLine : content)
            out << strLine << "\n";
    };
    write("short.txt", std::vector<std::string>(lines.begin(), lines.begin() + 1000));
    std::vector<std::string> outside = lines;
    outside[6].replace(0, 1, "250"); // record (0, 0) becomes (250, 0)
    write("outside.txt", outside);
    std::vector<std::string> zeroP = lines;
    zeroP[3] = zeroP[4] = zeroP[5] = "0 0 0";
    write("zerop.txt", zeroP);

    QVERIFY(m_App.Start({}, QSize(1000, 800)));
    m_pFrame = m_App.Frame();
    m_pView = m_App.View();
    m_pDoc = m_App.Doc();
    QVERIFY(m_pView->GetGLWindow()->width() >= 450 && m_pView->GetGLWindow()->height() >= 400);
}

void CCommandsTest::cleanupTestCase() {
    m_pFrame = nullptr;
    m_pView = nullptr;
    m_pDoc = nullptr;
    m_App.End();
}

Snapshot CCommandsTest::Take() const {
    Snapshot s{m_pDoc->m_pSourceImage,     m_pDoc->m_pWarpedImage,      m_pView->GetDisplayMode(),
               m_pView->GetDisplayWidth(), m_pView->GetDisplayHeight(), {}};
    if (m_pView->GetDisplayBuffer())
        s.buffer.assign(m_pView->GetDisplayBuffer(),
                        m_pView->GetDisplayBuffer() + size_t(s.nWidth) * size_t(s.nHeight) * 3);
    return s;
}

void CCommandsTest::Load(const QString& strPath) {
    CFileDialogAnswers answers({strPath});
    RunCommand(m_pFrame, ID_LOAD_IMAGEDATA);
    QCOMPARE(answers.asked.size(), size_t(1));
}

void CCommandsTest::Move(int nCommand, const Fields& fields) {
    CModalDriver driver({[&](QWidget* pDlg) { FillAndClick(pDlg, fields, IDOK); }});
    RunCommand(m_pFrame, nCommand);
    QCOMPARE(driver.Handled(), 1);
}

void CCommandsTest::loadShowsSource() {
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FREE_CAMERA_MOVE, kFreeFields);
    QVERIFY(m_pDoc->m_pWarpedImage);

    CFileDialogAnswers answers({m_strRoom});
    RunCommand(m_pFrame, ID_LOAD_IMAGEDATA);
    QCOMPARE(answers.asked.size(), size_t(1));
    QVERIFY(answers.asked[0].bOpen);
    QCOMPARE(answers.asked[0].strDefExt, QString());
    QCOMPARE(answers.asked[0].nFlags, 6u);

    QVERIFY(sinks.messages.empty());
    QVERIFY(m_pDoc->m_pSourceImage);
    QVERIFY(!m_pDoc->m_pWarpedImage); // a load empties the warped slot
    QCOMPARE(m_pView->GetDisplayMode(), 6);
    QCOMPARE(m_pView->GetDisplayWidth(), 200);
    QCOMPARE(m_pView->GetDisplayHeight(), 200);
    const std::vector<unsigned char> expected = DisplayBytes(*m_pDoc->m_pSourceImage);
    QCOMPARE(Take().buffer, expected);
    QVERIFY(ReadScreen(*m_pView, 200, 200) == expected);
}

void CCommandsTest::movesShowWarped_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("zoneField");
    QTest::addColumn<int>("exField");
    QTest::addColumn<int>("eyField");
    QTest::newRow("free") << int(ID_FREE_CAMERA_MOVE) << int(Free::IDC_ZONE)
                          << int(Free::IDC_X_VALUE) << int(Free::IDC_Y_VALUE);
    QTest::newRow("focus") << int(ID_FOCUS_CAMERA_MOVE) << int(Focus::IDC_ZONE)
                           << int(Focus::IDC_X_VALUE) << int(Focus::IDC_Y_VALUE);
}

void CCommandsTest::movesShowWarped() {
    QFETCH(int, command);
    QFETCH(int, zoneField);
    QFETCH(int, exField);
    QFETCH(int, eyField);
    const bool bFree = command == ID_FREE_CAMERA_MOVE;
    const Fields& fields = bFree ? kFreeFields : kFocusFields;
    CRecordingSinks sinks;
    Load(m_strRoom);
    CViewImage* pSource = m_pDoc->m_pSourceImage;

    // The same move built directly, for comparison.
    const double position[3] = {0.9, 2.1, -3.0};
    std::unique_ptr<CViewImage> pDirect(bFree ? new CViewImage(0, 5, 0, position, *pSource)
                                              : new CViewImage(5, -10, 0, 0.9, *pSource));
    const std::string strDirect = BmpBytes(*pDirect);
    QVERIFY(!strDirect.empty());

    std::string strFirst;
    for (int nRun = 0; nRun < 2; ++nRun) {
        // Hint first, then OK with the same values.
        QString strZone, strEx, strEy;
        CModalDriver driver({[&](QWidget* pDlg) {
            FillAndClick(pDlg, fields, Free::IDC_HINT); // the same id in both dialogs
            strZone = pDlg->findChild<QLineEdit*>(QString::number(zoneField))->text();
            strEx = pDlg->findChild<QLineEdit*>(QString::number(exField))->text();
            strEy = pDlg->findChild<QLineEdit*>(QString::number(eyField))->text();
            FillAndClick(pDlg, {}, IDOK);
        }});
        RunCommand(m_pFrame, command);
        QCOMPARE(driver.Handled(), 1);
        QVERIFY(sinks.messages.empty());

        CViewImage* pWarped = m_pDoc->m_pWarpedImage;
        QVERIFY(pWarped);
        QCOMPARE(m_pDoc->m_pSourceImage, pSource);
        QCOMPARE(m_pView->GetDisplayMode(), 7);
        const WarpReport& report = pWarped->GetWarpReport();
        QCOMPARE(strZone, QString::number(report.nZone));
        QCOMPARE(strEx, QString::number(report.nEx));
        QCOMPARE(strEy, QString::number(report.nEy));

        const std::string strBmp = BmpBytes(*pWarped);
        QVERIFY(strBmp == strDirect);
        if (nRun == 1)
            QVERIFY(strBmp == strFirst); // two identical moves, identical images
        strFirst = strBmp;

        const int w = pWarped->GetWidth();
        const int h = pWarped->GetHeight();
        QVERIFY(w != 200 || h != 200);
        QCOMPARE(m_pView->GetDisplayWidth(), w);
        QCOMPARE(m_pView->GetDisplayHeight(), h);
        const std::vector<unsigned char> expected = DisplayBytes(*pWarped);
        QVERIFY(Take().buffer == expected);
        QVERIFY(ReadScreen(*m_pView, w, h) == expected);

        QVERIFY2(Status().startsWith(QStringLiteral("Warped image %1 x %2, zone %3, warp ")
                                         .arg(w)
                                         .arg(h)
                                         .arg(report.nZone)),
                 qPrintable(Status()));
        QVERIFY(Status().endsWith(" s"));
        QVERIFY(!QApplication::overrideCursor()); // the busy cursor is gone
    }
}

void CCommandsTest::cancelChangesNothing_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("escape");
    QTest::newRow("load") << int(ID_LOAD_IMAGEDATA) << false;
    QTest::newRow("free move") << int(ID_FREE_CAMERA_MOVE) << false;
    QTest::newRow("free move, Escape") << int(ID_FREE_CAMERA_MOVE) << true;
    QTest::newRow("focus move") << int(ID_FOCUS_CAMERA_MOVE) << false;
    QTest::newRow("focus move, Escape") << int(ID_FOCUS_CAMERA_MOVE) << true;
    QTest::newRow("save source") << int(ID_SAVE_SOURCE_FILE) << false;
    QTest::newRow("save warped") << int(ID_SAVE_WARPED_FILE) << false;
}

void CCommandsTest::cancelChangesNothing() {
    QFETCH(int, command);
    QFETCH(bool, escape);
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FOCUS_CAMERA_MOVE, kFocusFields);
    const Snapshot before = Take();
    const std::string strWarped = BmpBytes(*before.pWarped);

    CFileDialogAnswers answers({std::nullopt});
    const int nField = command == ID_FREE_CAMERA_MOVE ? int(Free::IDC_ROT_X) : int(Focus::IDC_ZOOM);
    CModalDriver driver({[&](QWidget* pDlg) {
        // A value typed, then thrown away.
        if (escape) {
            QLineEdit* pEdit = pDlg->findChild<QLineEdit*>(QString::number(nField));
            QVERIFY(pEdit);
            pEdit->setText("45");
            QTest::keyClick(pEdit, Qt::Key_Escape);
        } else {
            FillAndClick(pDlg, {{nField, "45"}}, IDCANCEL);
        }
    }});
    RunCommand(m_pFrame, command);
    const bool bMove = command == ID_FREE_CAMERA_MOVE || command == ID_FOCUS_CAMERA_MOVE;
    QCOMPARE(driver.Handled(), bMove ? 1 : 0);
    QCOMPARE(answers.asked.size(), size_t(bMove ? 0 : 1));
    QVERIFY(Take() == before);
    QVERIFY(BmpBytes(*m_pDoc->m_pWarpedImage) == strWarped);
    QVERIFY(sinks.messages.empty());
}

void CCommandsTest::fileNewKeepsImagesForSaves() {
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FOCUS_CAMERA_MOVE, kFocusFields);
    CViewImage* pSource = m_pDoc->m_pSourceImage;
    CViewImage* pWarped = m_pDoc->m_pWarpedImage;

    RunCommand(m_pFrame, ID_FILE_NEW);
    QCOMPARE(m_pView->GetDisplayMode(), 5);
    QVERIFY(!m_pView->GetDisplayBuffer());
    QCOMPARE(m_pDoc->m_pSourceImage, pSource);
    QCOMPARE(m_pDoc->m_pWarpedImage, pWarped);

    // A name typed without an extension gets ".bmp".
    CFileDialogAnswers answers({File("source"), File("warped.bmp")});
    RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
    RunCommand(m_pFrame, ID_SAVE_WARPED_FILE);
    QCOMPARE(answers.asked.size(), size_t(2));
    for (const CFileDialogAnswers::Asked& asked : answers.asked) {
        QVERIFY(!asked.bOpen);
        QCOMPARE(asked.strDefExt, QString("bmp"));
        QCOMPARE(asked.nFlags, 6u);
    }
    QVERIFY(sinks.messages.empty());
    QVERIFY(ReadFileBytes(m_pScratch->File("source.bmp")) == BmpBytes(*pSource));
    QVERIFY(ReadFileBytes(m_pScratch->File("warped.bmp")) == BmpBytes(*pWarped));
    QCOMPARE(m_pView->GetDisplayMode(), 5); // the saves change nothing shown
    QVERIFY(Status().contains("warped.bmp"));
}

void CCommandsTest::loadFailureKeepsEverything() {
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FREE_CAMERA_MOVE, kFreeFields);
    const Snapshot before = Take();

    const QString strMissing = File("no-such-file.txt");
    Load(strMissing);
    QCOMPARE(sinks.messages, std::vector<std::string>{"Cannot open the data file \"" +
                                                      strMissing.toStdString() + "\"."});
    QVERIFY(Take() == before);
    QVERIFY(ReadScreen(*m_pView, before.nWidth, before.nHeight) == before.buffer);
}

void CCommandsTest::loadProblemsAreReported_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("cut short") << "short.txt"
                               << "The data file \"%1\" is incomplete: 5,990 numbers read of "
                                  "240,026. Pixels without data are black.";
    QTest::newRow("record outside") << "outside.txt"
                                    << "The data file \"%1\": 1 record lay outside the 200 x "
                                       "200 grid and was skipped.";
}

void CCommandsTest::loadProblemsAreReported() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FREE_CAMERA_MOVE, kFreeFields);
    CViewImage* pOld = m_pDoc->m_pSourceImage;

    const QString strPath = File(name.toLatin1().constData());
    Load(strPath);
    QCOMPARE(sinks.messages, std::vector<std::string>{message.arg(strPath).toStdString()});
    // Loaded all the same, as far as the file goes.
    QVERIFY(m_pDoc->m_pSourceImage && m_pDoc->m_pSourceImage != pOld);
    QVERIFY(!m_pDoc->m_pWarpedImage);
    QCOMPARE(m_pView->GetDisplayMode(), 6);
    QVERIFY(Take().buffer == DisplayBytes(*m_pDoc->m_pSourceImage));
}

void CCommandsTest::nothingLoadedOrNothingToSave() {
    CRecordingSinks sinks;
    delete m_pDoc->m_pSourceImage;
    m_pDoc->m_pSourceImage = nullptr;
    delete m_pDoc->m_pWarpedImage;
    m_pDoc->m_pWarpedImage = nullptr;
    RunCommand(m_pFrame, ID_FILE_NEW);

    CFileDialogAnswers answers({File("never.bmp"), File("never.bmp")});
    CModalDriver driver({[&](QWidget* pDlg) { FillAndClick(pDlg, {}, IDCANCEL); }});
    RunCommand(m_pFrame, ID_FREE_CAMERA_MOVE);
    RunCommand(m_pFrame, ID_FOCUS_CAMERA_MOVE);
    RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
    RunCommand(m_pFrame, ID_SAVE_WARPED_FILE);
    QCOMPARE(driver.Handled(), 0);             // no move dialog opened...
    QCOMPARE(answers.asked.size(), size_t(0)); // ...and no file dialog
    QCOMPARE(sinks.messages,
             std::vector<std::string>({kLoadImageDataFirstText, kLoadImageDataFirstText,
                                       "There is no source image to save. Load image data first.",
                                       "There is no warped image to save. Run a camera move "
                                       "first."}));
    QCOMPARE(m_pView->GetDisplayMode(), 5);
    QVERIFY(!QFile::exists(File("never.bmp")));

    // After a load there is a source but still no warped image.
    sinks.messages.clear();
    Load(m_strRoom);
    RunCommand(m_pFrame, ID_SAVE_WARPED_FILE);
    QCOMPARE(sinks.messages, std::vector<std::string>{
                                 "There is no warped image to save. Run a camera move first."});
}

void CCommandsTest::bmpWriteFailure() {
    CRecordingSinks sinks;
    Load(m_strRoom);
    // A folder that does not exist, and a device that is always full.
    const QString strNoFolder = File("no-such-folder/out.bmp");
    const QString strFull = File("full.bmp");
    QVERIFY(QFile::link("/dev/full", strFull));
    CFileDialogAnswers answers({strNoFolder, strFull});
    RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
    RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
    QCOMPARE(sinks.messages,
             std::vector<std::string>(
                 {"Cannot write the BMP file \"" + strNoFolder.toStdString() + "\".",
                  "Cannot write the BMP file \"" + strFull.toStdString() + "\"."}));
    QVERIFY(!QFile::exists(strNoFolder));
}

void CCommandsTest::repeatedWarpMessagesCounted() {
    // A source camera whose matrix cannot be inverted: the warp meets "Error" many times and
    // shows it once.
    CRecordingSinks sinks;
    Load(File("zerop.txt"));
    QVERIFY(sinks.messages.empty());
    // The box of the warp comes up with the normal cursor, not the busy one.
    std::vector<std::string> shown;
    std::vector<bool> busyWhileShown;
    const MessageSink oldSink = SetMessageSink([&](const std::string& strText) {
        shown.push_back(strText);
        busyWhileShown.push_back(QApplication::overrideCursor() != nullptr);
    });
    Move(ID_FOCUS_CAMERA_MOVE, kFocusFields);
    SetMessageSink(oldSink);
    QCOMPARE(shown, std::vector<std::string>{"Error"});
    QCOMPARE(busyWhileShown, std::vector<bool>{false});
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_pDoc->m_pWarpedImage);
    const WarpReport& report = m_pDoc->m_pWarpedImage->GetWarpReport();
    QCOMPARE(report.messages.size(), size_t(1));
    QVERIFY(report.messages[0].nCount > 1);
    QVERIFY2(Status().endsWith(QStringLiteral("; \"Error\" shown once, occurred %1 times")
                                   .arg(report.messages[0].nCount)),
             qPrintable(Status()));
    QCOMPARE(m_pView->GetDisplayMode(), 7);
}

void CCommandsTest::moveTooCostlyKeepsThePicture() {
    CRecordingSinks sinks;
    Load(m_strRoom);
    Move(ID_FOCUS_CAMERA_MOVE, kFocusFields);
    const Snapshot before = Take();
    const std::string strWarped = BmpBytes(*before.pWarped);

    SetWarpBudget(1000);
    Move(ID_FREE_CAMERA_MOVE, kFreeFields);
    SetWarpBudget(0);
    QCOMPARE(sinks.messages.size(), size_t(1));
    QVERIFY2(sinks.messages[0].rfind("The move is too costly to render: about ", 0) == 0,
             sinks.messages[0].c_str());
    // The picture, the warped image a save writes and the display mode stay as they were.
    QVERIFY(Take() == before);
    QVERIFY(BmpBytes(*m_pDoc->m_pWarpedImage) == strWarped);
    QCOMPARE(Status(), QStringLiteral("The move was too costly to render; nothing changed"));
    QVERIFY(!QApplication::overrideCursor());
}

void CCommandsTest::realFileDialogs() {
    CRecordingSinks sinks;
    const QString strFolder = QString::fromStdString(m_pScratch->Path());
    auto choose = [strFolder](const QString& strName) {
        return [strFolder, strName](QWidget* pModal) {
            QFileDialog* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            QVERIFY(pDialog->testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(pDialog->nameFilters(), QStringList("All Files (*)"));
            pDialog->setDirectory(strFolder);
            QLineEdit* pName = pDialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(pName);
            QVERIFY(pName->text().isEmpty()); // no initial name
            pName->setText(strName);
            QTest::keyClick(pName, Qt::Key_Return);
        };
    };
    auto answer = [](QMessageBox::StandardButton button) {
        return [button](QWidget* pModal) {
            QMessageBox* pBox = qobject_cast<QMessageBox*>(pModal);
            QVERIFY(pBox);
            QVERIFY(pBox->text().contains("typed.bmp"));
            pBox->button(button)->click();
        };
    };
    auto cancel = [](QWidget* pModal) { qobject_cast<QDialog*>(pModal)->reject(); };

    {
        CModalDriver driver({choose("room.txt")});
        RunCommand(m_pFrame, ID_LOAD_IMAGEDATA);
        QCOMPARE(driver.Handled(), 1);
    }
    QCOMPARE(m_pView->GetDisplayMode(), 6);
    QCOMPARE(m_pDoc->m_pSourceImage->GetFileName(), m_strRoom.toStdString());
    const std::string strSource = BmpBytes(*m_pDoc->m_pSourceImage);

    // A name typed without extension is saved with ".bmp".
    {
        CModalDriver driver({choose("typed")});
        RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
        QCOMPARE(driver.Handled(), 1);
    }
    const std::string strTyped = m_pScratch->File("typed.bmp");
    QVERIFY(ReadFileBytes(strTyped) == strSource);

    // Choosing it again asks first: No goes back to the dialog (cancelled here), Yes replaces.
    WriteFileBytes(strTyped, "old");
    {
        CModalDriver driver({choose("typed"), answer(QMessageBox::No), cancel});
        RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
        QCOMPARE(driver.Handled(), 3);
    }
    QCOMPARE(ReadFileBytes(strTyped), std::string("old"));
    {
        CModalDriver driver({choose("typed.bmp"), answer(QMessageBox::Yes)});
        RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
        QCOMPARE(driver.Handled(), 2);
    }
    QVERIFY(ReadFileBytes(strTyped) == strSource);
    QVERIFY(sinks.messages.empty());
}

QTEST_MAIN(CCommandsTest)
#include "CommandsTest.moc"

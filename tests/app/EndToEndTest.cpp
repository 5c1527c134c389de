// The application from start-up to saved files: morrow --imagedata on the room sample, a free
// move and a focus move typed into their dialogs, the source and the last warped image saved
// through the save commands, every file compared byte for byte with morrow-warp's.
#include <QApplication>
#include <QtTest>

#include <memory>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/Morrow.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "platform/FrameWnd.h"
#include "ui/CameraFreeMoveDialog.h"
#include "ui/FocusCameraMoveDialog.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"

class CEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void userSession();
    void missingImagedataFile();
};

void CEndToEndTest::userSession() {
    CScratchDir scratch;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(scratch.File("config")));
    const QString strRoom = QString::fromStdString(scratch.File("room.txt"));
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--preset", "room", "-o", strRoom}), 0);
    auto out = [&](const char* pszName) { return QString::fromStdString(scratch.File(pszName)); };

    // What the tool writes for the same moves.
    QCOMPARE(RunTool(MORROW_WARP_TOOL, {strRoom, "--source", "-o", out("tool-source.bmp")}), 0);
    QCOMPARE(RunTool(MORROW_WARP_TOOL, {strRoom, "--free", "0", "5", "0", "0.9", "2.1", "-3.0",
                                        "-o", out("tool-free.bmp")}),
             0);
    QCOMPARE(RunTool(MORROW_WARP_TOOL,
                     {strRoom, "--focus", "5", "-10", "0", "0.9", "-o", out("tool-focus.bmp")}),
             0);

    CRecordingSinks sinks;
    CStartedApp app;
    QVERIFY(app.Start({"--imagedata", strRoom}, QSize(1000, 800)));
    CFrameWnd* pFrame = app.Frame();
    CMorrowView* pView = app.View();
    CMorrowDoc* pDoc = app.Doc();

    // The data file is loaded and shown.
    QVERIFY(sinks.messages.empty());
    QVERIFY(pDoc->m_pSourceImage);
    QCOMPARE(pView->GetDisplayMode(), 6);
    QTRY_VERIFY(ReadScreen(*pView, 200, 200) == DisplayBytes(*pDoc->m_pSourceImage));

    {
        CFileDialogAnswers answers({out("source")});
        RunCommand(pFrame, ID_SAVE_SOURCE_FILE);
    }
    {
        CModalDriver driver({[](QWidget* pDlg) {
            using Free = CCameraFreeMoveDialog;
            FillAndClick(pDlg,
                         {{Free::IDC_ROT_X, "0"},
                          {Free::IDC_ROT_Y, "5"},
                          {Free::IDC_ROT_Z, "0"},
                          {Free::IDC_POS_X, "0.9"},
                          {Free::IDC_POS_Y, "2.1"},
                          {Free::IDC_POS_Z, "-3.0"}},
                         Free::IDC_HINT);
            FillAndClick(pDlg, {}, IDOK);
        }});
        RunCommand(pFrame, ID_FREE_CAMERA_MOVE);
        QCOMPARE(driver.Handled(), 1);
    }
    QCOMPARE(pView->GetDisplayMode(), 7);
    {
        CFileDialogAnswers answers({out("free.bmp")});
        RunCommand(pFrame, ID_SAVE_WARPED_FILE);
    }
    {
        CModalDriver driver({[](QWidget* pDlg) {
            using Focus = CFocusCameraMoveDialog;
            FillAndClick(pDlg,
                         {{Focus::IDC_ZOOM, "0.9"},
                          {Focus::IDC_ROT_X, "5"},
                          {Focus::IDC_ROT_Y, "-10"},
                          {Focus::IDC_ROT_Z, "0"}},
                         IDOK);
        }});
        RunCommand(pFrame, ID_FOCUS_CAMERA_MOVE);
        QCOMPARE(driver.Handled(), 1);
    }
    const CViewImage* pWarped = pDoc->m_pWarpedImage;
    QVERIFY(pWarped);
    QTRY_VERIFY(ReadScreen(*pView, pWarped->GetWidth(), pWarped->GetHeight()) ==
                DisplayBytes(*pWarped));
    {
        CFileDialogAnswers answers({out("focus")});
        RunCommand(pFrame, ID_SAVE_WARPED_FILE);
    }
    QVERIFY(sinks.messages.empty());

    for (const char* pszPair : {"source", "free", "focus"}) {
        const std::string strMine = ReadFileBytes(scratch.File(std::string(pszPair) + ".bmp"));
        const std::string strTool =
            ReadFileBytes(scratch.File("tool-" + std::string(pszPair) + ".bmp"));
        QVERIFY2(!strMine.empty(), pszPair);
        QVERIFY2(strMine == strTool, pszPair);
    }
}

void CEndToEndTest::missingImagedataFile() {
    // A start-up file that cannot be opened is reported; the window comes up empty.
    CScratchDir scratch;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(scratch.File("config")));
    CRecordingSinks sinks;
    const std::string strMissing = scratch.File("missing.txt");
    CStartedApp app;
    QVERIFY(app.Start({"--imagedata", QString::fromStdString(strMissing)}));
    CMorrowView* pView = app.View();
    QCOMPARE(sinks.messages,
             std::vector<std::string>{"Cannot open the data file \"" + strMissing + "\"."});
    QCOMPARE(pView->GetDisplayMode(), 5);
    QVERIFY(!pView->GetImageSlots()->GetSourceImage());
}

QTEST_MAIN(CEndToEndTest)
#include "EndToEndTest.moc"

// The open command on a stereo folder (chosen by its calib.txt) and both saves writing a PNG for
// a name ending in .png, through the application's menu with the file dialogs answered.
#include <QStatusBar>
#include <QtTest>

#include <memory>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/MainFrm.h"
#include "app/Morrow.h"
#include "app/MorrowDoc.h"
#include "image/ImageFiles.h"
#include "image/ViewImage.h"
#include "ui/MorrowView.h"
#include "ui/Resource.h"

class CRgbdCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void stereoFolderOpensAndSavesAsPng();
    void badStereoFolderKeepsEverything();
    void colourImageOpensWithItsCameraFile();

private:
    std::unique_ptr<CScratchDir> m_pScratch;
    CStartedApp m_App;
    CFrameWnd* m_pFrame = nullptr;
    CMorrowView* m_pView = nullptr;
    CMorrowDoc* m_pDoc = nullptr;

    QString File(const char* pszName) const {
        return QString::fromStdString(m_pScratch->File(pszName));
    }
    void Load(const QString& strPath) {
        CFileDialogAnswers answers({strPath});
        RunCommand(m_pFrame, ID_LOAD_IMAGEDATA);
        QCOMPARE(answers.asked.size(), size_t(1));
    }
};

void CRgbdCommandsTest::initTestCase() {
    m_pScratch = std::make_unique<CScratchDir>();
    qputenv("XDG_CONFIG_HOME", File("config").toLocal8Bit());
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--stereo", File("pair")}), 0);
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--stereo", File("broken")}), 0);
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--rgbd", File("colour.png"), File("depth.exr")}), 0);
    QCOMPARE(RunTool(MORROW_SCENE_TOOL, {"--rgbd", File("nodepth.png"), File("nodepth.exr")}), 0);
    WriteFileBytes(m_pScratch->File("nodepth.camera"), "fx 100\nfy 100\ncx 99.5\ncy 99.5\n");
    WriteFileBytes(m_pScratch->File("broken/calib.txt"), "cam0=[100 0 99.5; 0 100 99.5; 0 0 1]\n");

    QVERIFY(m_App.Start());
    m_pFrame = m_App.Frame();
    m_pView = m_App.View();
    m_pDoc = m_App.Doc();
}

void CRgbdCommandsTest::cleanupTestCase() {
    m_pFrame = nullptr;
    m_pView = nullptr;
    m_pDoc = nullptr;
    m_App.End();
}

void CRgbdCommandsTest::stereoFolderOpensAndSavesAsPng() {
    CRecordingSinks sinks;
    Load(File("pair/calib.txt"));
    QVERIFY(sinks.messages.empty());
    const CViewImage* pSource = m_pDoc->m_pSourceImage;
    QVERIFY(pSource && pSource->GetSamples());
    QCOMPARE(pSource->GetWidth(), 200);
    QCOMPARE(pSource->GetHeight(), 200);
    QCOMPARE(m_pView->GetDisplayMode(), 6);
    QCOMPARE(m_pView->GetDisplayWidth(), 200);

    // The free move to the second camera: (0, 0, 0) rotations, position (0.3, 0, 0).
    const std::vector<std::pair<int, QString>> fields = {{1001, "0"},   {1002, "0"}, {1003, "0"},
                                                         {1004, "0.3"}, {1005, "0"}, {1006, "0"}};
    {
        CModalDriver driver({[&](QWidget* pDlg) { FillAndClick(pDlg, fields, IDOK); }});
        RunCommand(m_pFrame, ID_FREE_CAMERA_MOVE);
        QCOMPARE(driver.Handled(), 1);
    }
    const CViewImage* pWarped = m_pDoc->m_pWarpedImage;
    QVERIFY(pWarped && pWarped->GetColours()); // the dialogs warp into colour bytes
    sinks.messages.clear();

    CFileDialogAnswers answers({File("source.png"), File("warped.PNG"), File("warped.bmp")});
    RunCommand(m_pFrame, ID_SAVE_SOURCE_FILE);
    RunCommand(m_pFrame, ID_SAVE_WARPED_FILE);
    RunCommand(m_pFrame, ID_SAVE_WARPED_FILE);
    QVERIFY(sinks.messages.empty());
    std::vector<unsigned char> bytes;
    QVERIFY(EncodePng(*pSource, bytes));
    QVERIFY(ReadFileBytes(m_pScratch->File("source.png")) ==
            std::string(bytes.begin(), bytes.end()));
    // The source view's PNG is the folder's own im0.png, byte for byte.
    QVERIFY(ReadFileBytes(m_pScratch->File("source.png")) ==
            ReadFileBytes(m_pScratch->File("pair/im0.png")));
    QVERIFY(EncodePng(*pWarped, bytes));
    QVERIFY(ReadFileBytes(m_pScratch->File("warped.PNG")) ==
            std::string(bytes.begin(), bytes.end()));
    QVERIFY(ReadFileBytes(m_pScratch->File("warped.bmp")) == BmpBytes(*pWarped));

    // The warped image as RGB-D opens again as a source of its own size.
    const int nWidth = pWarped->GetWidth(), nHeight = pWarped->GetHeight();
    {
        CFileDialogAnswers rgbd({File("chain.png")});
        RunCommand(m_pFrame, ID_SAVE_WARPED_RGBD);
    }
    QVERIFY2(sinks.messages.empty(), sinks.messages.empty() ? "" : sinks.messages[0].c_str());
    QVERIFY(QFile::exists(File("chain.pfm")) && QFile::exists(File("chain.camera")));
    Load(File("chain.png"));
    QVERIFY(sinks.messages.empty());
    QCOMPARE(m_pDoc->m_pSourceImage->GetWidth(), nWidth);
    QCOMPARE(m_pDoc->m_pSourceImage->GetHeight(), nHeight);
}

void CRgbdCommandsTest::badStereoFolderKeepsEverything() {
    CRecordingSinks sinks;
    Load(File("pair/calib.txt"));
    const CViewImage* pSource = m_pDoc->m_pSourceImage;
    Load(File("broken/calib.txt"));
    QCOMPARE(sinks.messages.size(), size_t(1));
    QCOMPARE(sinks.messages[0], "Cannot open the stereo folder: " +
                                    m_pScratch->File("broken/calib.txt") + ": no baseline.");
    QCOMPARE(m_pDoc->m_pSourceImage, pSource);
}

void CRgbdCommandsTest::colourImageOpensWithItsCameraFile() {
    CRecordingSinks sinks;
    Load(File("colour.png"));
    QVERIFY(sinks.messages.empty());
    const CViewImage* pSource = m_pDoc->m_pSourceImage;
    QVERIFY(pSource && pSource->GetSamples());
    QCOMPARE(pSource->GetWidth(), 200);
    QCOMPARE(pSource->GetFileName(), m_pScratch->File("colour.png"));
    QCOMPARE(m_pView->GetDisplayMode(), 6);
    // A camera file that names no depth map: told, and the image stays.
    Load(File("nodepth.png"));
    QCOMPARE(sinks.messages.size(), size_t(1));
    QCOMPARE(sinks.messages[0],
             "Cannot open the RGB-D image: " + m_pScratch->File("nodepth.camera") +
                 ": names no depth map (a line \"depth FILE\").");
    QCOMPARE(m_pDoc->m_pSourceImage, pSource);
}

QTEST_MAIN(CRgbdCommandsTest)
#include "RgbdCommandsTest.moc"

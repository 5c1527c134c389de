// Hostile data files through Load Imagedata in the real main window: each either leaves
// everything as it was (a file that cannot be opened) or gives a 200 x 200 source in mode 6 with
// the message the user must see, and a free move and a focus move on it then finish with the
// warped image on screen.
#include <sys/stat.h>

#include <QtTest>

#include <memory>

#include "DataFiles.h"
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

namespace {

using Fields = std::vector<std::pair<int, QString>>;

// Small moves, so that even a source full of huge disparities stays cheap: a free move with a
// turn, and a focus move that moves the camera a tenth of the way towards the scene's centre.
using Free = CCameraFreeMoveDialog;
using Focus = CFocusCameraMoveDialog;
const Fields kFreeFields = {{Free::IDC_ROT_X, "2"},  {Free::IDC_ROT_Y, "-3"},
                            {Free::IDC_ROT_Z, "1"},  {Free::IDC_POS_X, "10"},
                            {Free::IDC_POS_Y, "-5"}, {Free::IDC_POS_Z, "20"}};
const Fields kFocusFields = {{Focus::IDC_ZOOM, "0.9"},
                             {Focus::IDC_ROT_X, "3"},
                             {Focus::IDC_ROT_Y, "5"},
                             {Focus::IDC_ROT_Z, "0"}};

std::string Write(const CScratchDir& dir, const char* pszName, const std::string& strBytes) {
    const std::string strPath = dir.File(pszName);
    WriteFileBytes(strPath, strBytes);
    return strPath;
}

std::string WriteTokens(const CScratchDir& dir, const char* pszName,
                        const std::vector<std::string>& tokens, const std::string& strSep = "\n") {
    return Write(dir, pszName, JoinTokens(tokens, strSep));
}

// Writes the named hostile file into the folder and returns its path.
std::string MakeFile(const CScratchDir& d, const QString& strCase) {
    std::vector<std::string> t = SceneTokens();
    if (strCase == "empty")
        return Write(d, "empty.txt", "");
    if (strCase == "garbage")
        return Write(d, "garbage.bin", GarbageBytes());
    if (strCase == "directory") {
        mkdir(d.File("folder.txt").c_str(), 0755);
        return d.File("folder.txt");
    }
    if (strCase == "mid-record") {
        t.resize(RecordToken(100, 3));
        return WriteTokens(d, "short.txt", t);
    }
    if (strCase == "crlf")
        return WriteTokens(d, "crlf.txt", t, "\r\n");
    if (strCase == "huge") {
        // Every field but the grid coordinates, alternating in sign.
        for (size_t i = 0; i < t.size(); ++i) {
            const bool bCoordinate = i >= kHeaderTokens && (i - kHeaderTokens) % 6 < 2;
            if (!bCoordinate)
                t[i] = (i % 2) ? "1e308" : "-1e308";
        }
        return WriteTokens(d, "huge.txt", t);
    }
    if (strCase == "nonfinite") {
        const char* kValues[] = {"nan", "inf", "-inf", "-nan", "NAN", "Infinity"};
        for (int r = 0; r < 40000; r += 3)
            for (int f = 2; f < 6; ++f)
                t[RecordToken(r, f)] = kValues[(r + f) % 6];
        return WriteTokens(d, "nonfinite.txt", t);
    }
    if (strCase == "outside") {
        t[RecordToken(10, 0)] = "2147483647";
        t[RecordToken(11, 1)] = "2147483647";
        t[RecordToken(12, 0)] = "-1";
        t[RecordToken(13, 1)] = "-1";
        return WriteTokens(d, "outside.txt", t);
    }
    if (strCase == "many") {
        std::vector<std::string> big = t;
        for (int i = 0; i < 9; ++i)
            big.insert(big.end(), t.begin() + kHeaderTokens, t.end());
        return WriteTokens(d, "many.txt", big, " ");
    }
    if (strCase == "singular") {
        for (int i = 0; i < 3; ++i)
            t[kTokenColumnB + i] = t[kTokenColumnA + i];
        return WriteTokens(d, "singular.txt", t);
    }
    if (strCase == "zero row") {
        for (int nColumn : {kTokenColumnA, kTokenColumnB, kTokenColumnC})
            t[nColumn] = "0";
        return WriteTokens(d, "zerorow.txt", t);
    }
    if (strCase == "zero bounds") {
        for (int i = 0; i < 6; ++i)
            t[kTokenBounds + i] = "0";
        return WriteTokens(d, "zerobounds.txt", t);
    }
    return std::string();
}

} // namespace

class CHostileLoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void hostileFile_data();
    void hostileFile();

private:
    std::unique_ptr<CScratchDir> m_pScratch;
    CStartedApp m_App;
    CFrameWnd* m_pFrame = nullptr;
    CMorrowView* m_pView = nullptr;
    CMorrowDoc* m_pDoc = nullptr;
    std::string m_strValid;

    void Load(const QString& strPath);
    void Move(int nCommand, const Fields& fields);
};

void CHostileLoadTest::initTestCase() {
    m_pScratch = std::make_unique<CScratchDir>();
    // The application keeps its settings here, not in the user's.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_pScratch->File("config")));
    m_strValid = WriteTokens(*m_pScratch, "valid.txt", SceneTokens());

    QVERIFY(m_App.Start({}, QSize(1000, 800)));
    m_pFrame = m_App.Frame();
    m_pView = m_App.View();
    m_pDoc = m_App.Doc();
}

void CHostileLoadTest::cleanupTestCase() {
    m_pFrame = nullptr;
    m_pView = nullptr;
    m_pDoc = nullptr;
    m_App.End();
}

void CHostileLoadTest::Load(const QString& strPath) {
    CFileDialogAnswers answers({strPath});
    RunCommand(m_pFrame, ID_LOAD_IMAGEDATA);
    QCOMPARE(answers.asked.size(), size_t(1));
}

void CHostileLoadTest::Move(int nCommand, const Fields& fields) {
    CModalDriver driver({[&](QWidget* pDlg) { FillAndClick(pDlg, fields, IDOK); }});
    RunCommand(m_pFrame, nCommand);
    QCOMPARE(driver.Handled(), 1);
}

void CHostileLoadTest::hostileFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("opens");
    // The message box after the load ("%1" is the path); empty when the file is fine.
    QTest::addColumn<QString>("message");
    // What each of the two moves shows on the loaded source, once; empty for nothing. A source
    // matrix with a zero row (also the all-zero header of a file that stops early) cannot be
    // inverted.
    QTest::addColumn<QString>("warpMessage");
    const QString strIncomplete =
        "The data file \"%1\" is incomplete: %2 numbers read of 240,026.%3 Pixels without data "
        "are black.";
    const QString strStopped = " Reading stopped at text that is not a number.";
    QTest::newRow("empty file") << "empty" << true << strIncomplete.arg("%1", "0", "") << "Error";
    QTest::newRow("binary garbage")
        << "garbage" << true << strIncomplete.arg("%1", "0", strStopped) << "Error";
    QTest::newRow("a directory") << "directory" << false << "Cannot open the data file \"%1\"."
                                 << "";
    QTest::newRow("ends mid-record")
        << "mid-record" << true << strIncomplete.arg("%1", "629", "") << "";
    QTest::newRow("CRLF line ends") << "crlf" << true << ""
                                    << "";
    QTest::newRow("1e308 and -1e308 in every real field") << "huge" << true << ""
                                                          << "";
    QTest::newRow("nan and inf colours and disparities") << "nonfinite" << true << ""
                                                         << "";
    QTest::newRow("x or y of 2147483647 or -1")
        << "outside" << true
        << "The data file \"%1\": 4 records lay outside the 200 x 200 grid and were skipped."
        << "";
    QTest::newRow("ten times too many records") << "many" << true << ""
                                                << "";
    QTest::newRow("a singular matrix") << "singular" << true << ""
                                       << "";
    QTest::newRow("a matrix with a zero row") << "zero row" << true << ""
                                              << "Error";
    QTest::newRow("all-zero scene bounds") << "zero bounds" << true << ""
                                           << "";
}

void CHostileLoadTest::hostileFile() {
    QFETCH(QString, file);
    QFETCH(bool, opens);
    QFETCH(QString, message);
    QFETCH(QString, warpMessage);
    CScratchDir dir;
    const QString strPath = QString::fromStdString(MakeFile(dir, file));
    QVERIFY(!strPath.isEmpty());

    // A valid source and a warped image to lose.
    CRecordingSinks sinks;
    Load(QString::fromStdString(m_strValid));
    Move(ID_FOCUS_CAMERA_MOVE, kFocusFields);
    QVERIFY(sinks.messages.empty());
    CViewImage* pOldSource = m_pDoc->m_pSourceImage;
    CViewImage* pOldWarped = m_pDoc->m_pWarpedImage;
    QVERIFY(pOldSource && pOldWarped);
    const std::vector<unsigned char> oldBuffer = DisplayBytes(*pOldWarped);

    Load(strPath);
    const std::vector<std::string> expected =
        message.isEmpty() ? std::vector<std::string>()
                          : std::vector<std::string>{message.arg(strPath).toStdString()};
    QCOMPARE(sinks.messages, expected);
    QCOMPARE(sinks.AssertionCount(), 0);
    if (!opens) {
        // Nothing lost: the same images, the warped one still shown.
        QCOMPARE(m_pDoc->m_pSourceImage, pOldSource);
        QCOMPARE(m_pDoc->m_pWarpedImage, pOldWarped);
        QCOMPARE(m_pView->GetDisplayMode(), 7);
        QCOMPARE(m_pView->GetDisplayWidth(), pOldWarped->GetWidth());
        QCOMPARE(m_pView->GetDisplayHeight(), pOldWarped->GetHeight());
        QVERIFY(std::equal(oldBuffer.begin(), oldBuffer.end(), m_pView->GetDisplayBuffer()));
    } else {
        QVERIFY(m_pDoc->m_pSourceImage && m_pDoc->m_pSourceImage != pOldSource);
        QVERIFY(!m_pDoc->m_pWarpedImage);
        QCOMPARE(m_pView->GetDisplayMode(), 6);
        QCOMPARE(m_pView->GetDisplayWidth(), 200);
        QCOMPARE(m_pView->GetDisplayHeight(), 200);
        const std::vector<unsigned char> shown = DisplayBytes(*m_pDoc->m_pSourceImage);
        QVERIFY(std::equal(shown.begin(), shown.end(), m_pView->GetDisplayBuffer()));
    }

    // Whatever is loaded now, both moves finish and show their image. What the warp has to say
    // about a damaged source comes once per warp, however often it occurred.
    const std::vector<std::string> expectedWarp =
        warpMessage.isEmpty() ? std::vector<std::string>()
                              : std::vector<std::string>{warpMessage.toStdString()};
    for (const auto& move : {std::make_pair(int(ID_FREE_CAMERA_MOVE), kFreeFields),
                             std::make_pair(int(ID_FOCUS_CAMERA_MOVE), kFocusFields)}) {
        sinks.messages.clear();
        Move(move.first, move.second);
        const CViewImage* pWarped = m_pDoc->m_pWarpedImage;
        QVERIFY(pWarped && pWarped->GetColours()); // the dialogs warp into colour bytes
        QVERIFY(pWarped->GetWidth() > 0 && pWarped->GetHeight() > 0);
        QCOMPARE(m_pView->GetDisplayMode(), 7);
        QCOMPARE(m_pView->GetDisplayWidth(), pWarped->GetWidth());
        QCOMPARE(m_pView->GetDisplayHeight(), pWarped->GetHeight());
        const std::vector<unsigned char> shown = DisplayBytes(*pWarped);
        QVERIFY(std::equal(shown.begin(), shown.end(), m_pView->GetDisplayBuffer()));
        QCOMPARE(sinks.messages, expectedWarp);
        QVERIFY(!QApplication::overrideCursor());
    }
}

QTEST_MAIN(CHostileLoadTest)
#include "HostileLoadTest.moc"

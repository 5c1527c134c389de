// The camera-move dialogs as a user meets them: caption, labels, ids and tab order of each
// template, the opening values, the hints for known cameras, validation blocking HINT and OK,
// and the hint without a loaded image.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "app/MorrowDoc.h"
#include "image/ViewImage.h"
#include "platform/DataExchange.h"
#include "ui/CameraFreeMoveDialog.h"
#include "ui/FocusCameraMoveDialog.h"
#include "ui/MorrowView.h"
#include "warp/Warp.h"

namespace {

// Source camera at (1, 2, -5) with P = identity, so that the epipole of a position p is
// (p - C) / (p - C).z; scene bounds centred on the focus point (100, 50, 10).
CViewImage* MakeSource() {
    CViewImage* pImage = new CViewImage();
    const double cop[3] = {1.0, 2.0, -5.0};
    const double P[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    const double bounds[6] = {110.0, 90.0, 40.0, 60.0, 9.0, 11.0};
    const double extra[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    pImage->SetCamera(cop, P);
    pImage->SetSceneValues(bounds, extra);
    PixelSample* pSamples = new PixelSample[200 * 200];
    for (int i = 0; i < 200 * 200; ++i)
        pSamples[i] = {10.0, 20.0, 30.0, 0.5};
    pImage->SetSamples(pSamples);
    pImage->SetWidth(200);
    pImage->SetHeight(200);
    return pImage;
}

// Labels of a dialog in template order.
QStringList LabelTexts(const QWidget& dlg) {
    QStringList texts;
    for (QLabel* pLabel : dlg.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        texts << pLabel->text();
    return texts;
}

// Ids of the controls that take the focus, in tab order starting at the first one.
QList<int> TabOrder(QWidget& dlg, int nFirst) {
    QList<int> ids;
    QWidget* pFirst = dlg.findChild<QWidget*>(QString::number(nFirst));
    QWidget* pWidget = pFirst;
    do {
        if (pWidget->focusPolicy() & Qt::TabFocus)
            ids << pWidget->property("controlId").toInt();
        pWidget = pWidget->nextInFocusChain();
    } while (pWidget != pFirst && ids.size() < 40);
    return ids;
}

QString Text(const CTemplateDialog& dlg, int nId) {
    return dlg.GetEdit(nId)->text();
}
void Type(CTemplateDialog& dlg, int nId, const QString& str) {
    dlg.GetEdit(nId)->setText(str);
}
void Click(CTemplateDialog& dlg, int nId) {
    QTest::mouseClick(dlg.GetDlgItem(nId), Qt::LeftButton);
}

} // namespace

class CDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void freeTemplate();
    void focusTemplate();
    void freeHint_data();
    void freeHint();
    void freeHintIgnoresAngles();
    void freeHintDegenerate();
    void focusHint_data();
    void focusHint();
    void focusHintDegenerate();
    void badZoneBlocksHintAndOk();
    void hintWithoutSource();
    void okAndCancel();
    void commaLocale();

private:
    CMorrowDoc* m_pDoc = nullptr;
    CMorrowView* m_pView = nullptr;
};

void CDialogsTest::init() {
    m_pDoc = new CMorrowDoc();
    m_pDoc->m_pSourceImage = MakeSource();
    m_pView = new CMorrowView();
    m_pView->SetDocument(m_pDoc);
}

void CDialogsTest::cleanup() {
    delete m_pView;
    delete m_pDoc;
}

void CDialogsTest::freeTemplate() {
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.windowTitle(), QString("FREE MOVEMENT OF CARMERA"));
    QCOMPARE(dlg.property("templateId").toInt(), 130);
    QCOMPARE(dlg.font().family(), QString("Times New Roman"));
    QCOMPARE(dlg.font().pointSize(), 10);
    QCOMPARE(dlg.size(), dlg.MapDialogRect(QRect(0, 0, 266, 311)).size());
    QCOMPARE(LabelTexts(dlg),
             QStringList({"Camera Rotation", "X Rotation", "Y Rotation", "Z Rotation",
                          "Camera Position", "X Position", "Y Postion", "Z Postion", "ZONE",
                          "W VALUE", "X Value", "Y Value"}));
    for (QLabel* pLabel : dlg.findChildren<QLabel*>())
        QCOMPARE(pLabel->frameStyle(), int(QFrame::Panel | QFrame::Sunken));
    QCOMPARE(TabOrder(dlg, IDOK), QList<int>({IDOK, IDCANCEL, 1001, 1002, 1003, 1004, 1005, 1006,
                                              1007, 1008, 1009, 1010, 1011}));
    QCOMPARE(qobject_cast<QPushButton*>(dlg.GetDlgItem(1007))->text(), QString("HINT"));
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK))->isDefault());
    QCOMPARE(dlg.GetDlgItem(1004)->geometry(), dlg.MapDialogRect(QRect(94, 136, 79, 12)));
    QCOMPARE(dlg.GetDlgItem(1007)->geometry(), dlg.MapDialogRect(QRect(196, 134, 50, 14)));
    for (int nId = 1001; nId <= 1011; ++nId)
        if (nId != 1007)
            QCOMPARE(Text(dlg, nId), QString("0"));
    QCOMPARE(dlg.m_pView, m_pView);
}

void CDialogsTest::focusTemplate() {
    CFocusCameraMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.windowTitle(), QString("FOCUS "));
    QCOMPARE(dlg.property("templateId").toInt(), 131);
    QCOMPARE(dlg.font().pointSize(), 9);
    QCOMPARE(dlg.size(), dlg.MapDialogRect(QRect(0, 0, 338, 245)).size());
    QCOMPARE(LabelTexts(dlg), QStringList({"ZOOM VALUE", "ROTATE  X", "ROTATE  Y", "ROTATE  Z",
                                           "X VALUE", "Y VALUE", "W VALUE", "ZONE NO."}));
    for (QLabel* pLabel : dlg.findChildren<QLabel*>()) {
        QCOMPARE(pLabel->frameStyle(), int(QFrame::Panel | QFrame::Sunken));
        QCOMPARE(pLabel->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    }
    QCOMPARE(TabOrder(dlg, IDOK),
             QList<int>({IDOK, IDCANCEL, 1011, 1012, 1013, 1014, 1010, 1016, 1009, 1018, 1007}));
    QCOMPARE(qobject_cast<QPushButton*>(dlg.GetDlgItem(1007))->text(), QString("Hint"));
    QCOMPARE(dlg.GetDlgItem(1018)->geometry(), dlg.MapDialogRect(QRect(107, 209, 69, 14)));
    for (int nId : {1009, 1010, 1011, 1012, 1013, 1014, 1016, 1018})
        QCOMPARE(Text(dlg, nId), QString("0"));
}

void CDialogsTest::freeHint_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");
    QTest::addColumn<int>("zone");
    QTest::addColumn<int>("ex");
    QTest::addColumn<int>("ey");
    QTest::addColumn<double>("w");
    // Epipole (100.2, 50.7) in front of the camera, then behind it.
    QTest::newRow("over the grid") << 201.4 << 103.4 << -3.0 << 5 << 100 << 51 << 2.0;
    QTest::newRow("behind") << -199.4 << -99.4 << -7.0 << -5 << 100 << 51 << -2.0;
    // The initial values: the world origin, epipole (-0.2, -0.4) rounds to (0, 0).
    QTest::newRow("origin") << 0.0 << 0.0 << 0.0 << 5 << 0 << 0 << 5.0;
    // x = -10 rounds to -9: the rounding adds 0.5 and truncates toward zero.
    QTest::newRow("upper left") << -9.0 << 502.0 << -4.0 << 1 << -9 << 500 << 1.0;
    // x = 199 is the right column; y = -1 rounds to 0, the middle row.
    QTest::newRow("right edge") << 200.0 << 1.0 << -4.0 << 6 << 199 << 0 << 1.0;
    QTest::newRow("below, behind") << -199.0 << 402.0 << -9.0 << -8 << 50 << -99 << -4.0;
}

void CDialogsTest::freeHint() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    QFETCH(int, zone);
    QFETCH(int, ex);
    QFETCH(int, ey);
    QFETCH(double, w);
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1004, QString::fromStdString(FormatDoubleField(x)));
    Type(dlg, 1005, QString::fromStdString(FormatDoubleField(y)));
    Type(dlg, 1006, QString::fromStdString(FormatDoubleField(z)));
    Click(dlg, 1007);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(sinks.AssertionCount(), 0);
    QCOMPARE(Text(dlg, 1008), QString::number(zone));
    QCOMPARE(Text(dlg, 1010), QString::number(ex));
    QCOMPARE(Text(dlg, 1011), QString::number(ey));
    QCOMPARE(dlg.m_dWValue, w);
    QCOMPARE(Text(dlg, 1009), QString::fromStdString(FormatDoubleField(w)));
    QVERIFY(dlg.isVisible());
}

void CDialogsTest::freeHintIgnoresAngles() {
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1004, "201.4");
    Type(dlg, 1005, "103.4");
    Type(dlg, 1006, "-3");
    Click(dlg, 1007);
    const QStringList before = {Text(dlg, 1008), Text(dlg, 1009), Text(dlg, 1010), Text(dlg, 1011)};
    Type(dlg, 1001, "30");
    Type(dlg, 1002, "-45.5");
    Type(dlg, 1003, "90");
    Type(dlg, 1008, "77"); // the outputs are overwritten by each hint
    Click(dlg, 1007);
    QCOMPARE(QStringList({Text(dlg, 1008), Text(dlg, 1009), Text(dlg, 1010), Text(dlg, 1011)}),
             before);
    QCOMPARE(Text(dlg, 1002), QString("-45.5"));
}

void CDialogsTest::freeHintDegenerate() {
    // The source centre of projection itself: W = 0. The hint asserts in its own file and shows
    // the values ClassifyEpipole falls back to.
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1004, "1");
    Type(dlg, 1005, "2");
    Type(dlg, 1006, "-5");
    Click(dlg, 1007);
    QCOMPARE(sinks.AssertionCount(), 1);
    QVERIFY(QString::fromStdString(sinks.traces[0]).contains("file CameraFreeMoveDialog.cpp"));
    const CViewImage& src = *m_pDoc->m_pSourceImage;
    const double cop[3] = {1.0, 2.0, -5.0};
    const EpipoleInfo info = ClassifyEpipole(src.GetP(), src.GetCOP(), cop);
    QVERIFY(info.bDegenerate);
    QCOMPARE(dlg.m_nZone, info.nZone);
    QCOMPARE(dlg.m_nXValue, info.nEx);
    QCOMPARE(dlg.m_nYValue, info.nEy);
    QCOMPARE(Text(dlg, 1008), QString::number(info.nZone));
    QVERIFY(info.nZone != 0);
}

void CDialogsTest::focusHint_data() {
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<QString>("rotY");
    QTest::addColumn<int>("zone");
    QTest::addColumn<int>("ex");
    QTest::addColumn<int>("ey");
    QTest::addColumn<double>("w");
    // With no rotation the camera slides along the line through the focus point, whose
    // epipole is (99, 48) / 15 = (6.6, 3.2): every zoom but 1 shows ex 7, ey 3.
    QTest::newRow("zoom 0: the focus point") << "0"
                                             << "0" << 5 << 7 << 3 << 15.0;
    QTest::newRow("zoom 0.5") << "0.5"
                              << "0" << 5 << 7 << 3 << 7.5;
    QTest::newRow("zoom 2: behind") << "2"
                                    << "0" << -5 << 7 << 3 << -15.0;
    QTest::newRow("zoom -1: mirrored") << "-1"
                                       << "0" << 5 << 7 << 3 << 30.0;
    // Half a turn about y through the focus point: C_new - C_src = (198, ~0, 30).
    QTest::newRow("rotY 180") << "1"
                              << "180" << 5 << 7 << 0 << 30.0;
}

void CDialogsTest::focusHint() {
    QFETCH(QString, zoom);
    QFETCH(QString, rotY);
    QFETCH(int, zone);
    QFETCH(int, ex);
    QFETCH(int, ey);
    QFETCH(double, w);
    CRecordingSinks sinks;
    CFocusCameraMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1011, zoom);
    Type(dlg, 1013, rotY);
    Click(dlg, 1007);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(sinks.AssertionCount(), 0);
    QCOMPARE(Text(dlg, 1018), QString::number(zone));
    QCOMPARE(Text(dlg, 1010), QString::number(ex));
    QCOMPARE(Text(dlg, 1016), QString::number(ey));
    QVERIFY2(std::fabs(dlg.m_dWValue - w) < 1e-4, // 3.1415926 is not quite pi
             qPrintable(Text(dlg, 1009)));
    QCOMPARE(Text(dlg, 1009), QString::fromStdString(FormatDoubleField(dlg.m_dWValue)));
}

void CDialogsTest::focusHintDegenerate() {
    // Zoom 1 and no rotation leave the camera where it is.
    CRecordingSinks sinks;
    CFocusCameraMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1011, "1");
    Click(dlg, 1007);
    QCOMPARE(sinks.AssertionCount(), 1);
    QVERIFY(QString::fromStdString(sinks.traces[0]).contains("file FocusCameraMoveDialog.cpp"));
    const CViewImage& src = *m_pDoc->m_pSourceImage;
    const EpipoleInfo info = ClassifyEpipole(src.GetP(), src.GetCOP(), src.GetCOP());
    QCOMPARE(dlg.m_nZone, info.nZone);
    QCOMPARE(dlg.m_nXValue, info.nEx);
    QCOMPARE(dlg.m_nYValue, info.nEy);
    QCOMPARE(Text(dlg, 1009), QString::fromStdString(FormatDoubleField(info.dW)));
}

void CDialogsTest::badZoneBlocksHintAndOk() {
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1004, "201.4");
    Type(dlg, 1008, "five");
    Click(dlg, 1007);
    QCOMPARE(sinks.messages, std::vector<std::string>{"Please enter an integer."});
    QCOMPARE(Text(dlg, 1009), QString("0")); // nothing shown changed
    QCOMPARE(Text(dlg, 1008), QString("five"));
    QCOMPARE(dlg.focusWidget(), dlg.GetDlgItem(1008));
    QCOMPARE(dlg.GetEdit(1008)->selectedText(), QString("five"));

    Click(dlg, IDOK);
    QCOMPARE(sinks.messages.size(), size_t(2));
    QVERIFY(dlg.isVisible());

    // A double field in the focus dialog: the other message.
    CFocusCameraMoveDialog focus(m_pView);
    focus.show();
    QVERIFY(QTest::qWaitForWindowExposed(&focus));
    Type(focus, 1012, "1,5");
    Click(focus, 1007);
    QCOMPARE(sinks.messages.back(), std::string("Please enter a number."));
    QCOMPARE(focus.focusWidget(), focus.GetDlgItem(1012));

    Type(dlg, 1008, "5");
    Click(dlg, IDOK);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_dPosX, 201.4);
}

void CDialogsTest::hintWithoutSource() {
    delete m_pDoc->m_pSourceImage;
    m_pDoc->m_pSourceImage = nullptr;
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, 1004, "201.4");
    Click(dlg, 1007);
    CFocusCameraMoveDialog focus(m_pView);
    focus.show();
    QVERIFY(QTest::qWaitForWindowExposed(&focus));
    Click(focus, 1007);
    QCOMPARE(sinks.messages, std::vector<std::string>(2, kLoadImageDataFirstText));
    QCOMPARE(Text(dlg, 1004), QString("201.4"));
    QCOMPARE(Text(dlg, 1008), QString("0"));
    QCOMPARE(dlg.m_dPosX, 0.0);
    QCOMPARE(Text(focus, 1018), QString("0"));
}

void CDialogsTest::okAndCancel() {
    {
        CCameraFreeMoveDialog dlg(m_pView);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Type(dlg, 1001, "12.5");
        Type(dlg, 1006, "-3");
        Click(dlg, IDCANCEL);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.m_dRotX, 0.0);
        QCOMPARE(dlg.m_dPosZ, 0.0);
    }
    {
        CFocusCameraMoveDialog dlg(m_pView);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Type(dlg, 1011, "0.75");
        Type(dlg, 1012, "10");
        Type(dlg, 1013, "20");
        Type(dlg, 1014, "30");
        dlg.GetEdit(1014)->setFocus();
        QTest::keyClick(dlg.GetEdit(1014), Qt::Key_Enter);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_dZoom, 0.75);
        QCOMPARE(dlg.m_dRotX, 10.0);
        QCOMPARE(dlg.m_dRotY, 20.0);
        QCOMPARE(dlg.m_dRotZ, 30.0);
    }
}

namespace {

// Puts the process (C library and Qt) under a locale for its lifetime and restores both after.
class CProcessLocale {
public:
    explicit CProcessLocale(const char* pszName)
        : m_strOld(std::setlocale(LC_ALL, nullptr)), m_OldQt(QLocale()) {
        m_bComma = std::setlocale(LC_ALL, pszName) &&
                   std::strcmp(std::localeconv()->decimal_point, ",") == 0;
        QLocale::setDefault(QLocale(QString::fromLatin1(pszName)));
    }
    ~CProcessLocale() {
        std::setlocale(LC_ALL, m_strOld.c_str());
        QLocale::setDefault(m_OldQt);
    }
    bool IsComma() const { return m_bComma; }

private:
    std::string m_strOld;
    QLocale m_OldQt;
    bool m_bComma;
};

// Types the position (free dialog) or the zoom (focus dialog), runs the hint and then OK, and
// returns the W text the hint showed; *pdValue is the member the typed text went to.
QString HintAndOk(CTemplateDialog& dlg, int nField, const QString& strValue, double* pdValue) {
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return QString();
    Type(dlg, nField, strValue);
    if (nField == 1004)
        Type(dlg, 1006, "-2.5");
    Click(dlg, 1007);
    const QString strW = Text(dlg, 1009);
    Click(dlg, IDOK);
    *pdValue = nField == 1004 ? static_cast<CCameraFreeMoveDialog&>(dlg).m_dPosX
                              : static_cast<CFocusCameraMoveDialog&>(dlg).m_dZoom;
    return strW;
}

} // namespace

void CDialogsTest::commaLocale() {
    // W is 2.5 for the free move's (0.5, 0, -2.5), 7.5 for the focus move's zoom 0.5: texts a
    // comma locale would print as "2,5" and "7,5".
    QString strFreeC, strFocusC;
    double dValue = 0.0;
    {
        CCameraFreeMoveDialog free(m_pView);
        strFreeC = HintAndOk(free, 1004, "0.5", &dValue);
        CFocusCameraMoveDialog focus(m_pView);
        strFocusC = HintAndOk(focus, 1011, "0.5", &dValue);
    }
    QCOMPARE(strFreeC, QString("2.5"));
    QCOMPARE(strFocusC, QString("7.5"));

    CProcessLocale locale("de_DE.UTF-8");
    if (!locale.IsComma())
        QSKIP("de_DE.UTF-8 is not installed (scripts/install-deps.sh makes it)");
    QCOMPARE(QLocale().decimalPoint(), QString(","));
    CRecordingSinks sinks;
    for (int nField : {1004, 1011}) {
        std::unique_ptr<CTemplateDialog> pDlg;
        if (nField == 1004)
            pDlg = std::make_unique<CCameraFreeMoveDialog>(m_pView);
        else
            pDlg = std::make_unique<CFocusCameraMoveDialog>(m_pView);
        dValue = 0.0;
        QCOMPARE(HintAndOk(*pDlg, nField, "0.5", &dValue), nField == 1004 ? strFreeC : strFocusC);
        QCOMPARE(dValue, 0.5);
        QCOMPARE(pDlg->result(), int(QDialog::Accepted));
        QVERIFY(sinks.messages.empty());

        // The user's own decimal comma is not a number here.
        if (nField == 1004)
            pDlg = std::make_unique<CCameraFreeMoveDialog>(m_pView);
        else
            pDlg = std::make_unique<CFocusCameraMoveDialog>(m_pView);
        pDlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(pDlg.get()));
        Type(*pDlg, nField, "0,5");
        Click(*pDlg, IDOK);
        QCOMPARE(sinks.messages, std::vector<std::string>{"Please enter a number."});
        QVERIFY(pDlg->isVisible());
        QCOMPARE(pDlg->focusWidget(), pDlg->GetDlgItem(nField));
        sinks.messages.clear();
    }
}

QTEST_MAIN(CDialogsTest)
#include "DialogsTest.moc"

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

namespace {

using Free = CCameraFreeMoveDialog;
using Focus = CFocusCameraMoveDialog;
// The helpers below click HINT and read W in either dialog by one id.
static_assert(int(Free::IDC_HINT) == int(Focus::IDC_HINT) &&
              int(Free::IDC_W_VALUE) == int(Focus::IDC_W_VALUE));

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
    QCOMPARE(TabOrder(dlg, IDOK),
             QList<int>({IDOK, IDCANCEL, Free::IDC_ROT_X, Free::IDC_ROT_Y, Free::IDC_ROT_Z,
                         Free::IDC_POS_X, Free::IDC_POS_Y, Free::IDC_POS_Z, Free::IDC_HINT,
                         Free::IDC_ZONE, Free::IDC_W_VALUE, Free::IDC_X_VALUE, Free::IDC_Y_VALUE}));
    QCOMPARE(qobject_cast<QPushButton*>(dlg.GetDlgItem(Free::IDC_HINT))->text(), QString("HINT"));
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK))->isDefault());
    QCOMPARE(dlg.GetDlgItem(Free::IDC_POS_X)->geometry(),
             dlg.MapDialogRect(QRect(94, 136, 79, 12)));
    QCOMPARE(dlg.GetDlgItem(Free::IDC_HINT)->geometry(),
             dlg.MapDialogRect(QRect(196, 134, 50, 14)));
    for (int nId = Free::IDC_ROT_X; nId <= Free::IDC_Y_VALUE; ++nId)
        if (nId != Free::IDC_HINT)
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
             QList<int>({IDOK, IDCANCEL, Focus::IDC_ZOOM, Focus::IDC_ROT_X, Focus::IDC_ROT_Y,
                         Focus::IDC_ROT_Z, Focus::IDC_X_VALUE, Focus::IDC_Y_VALUE,
                         Focus::IDC_W_VALUE, Focus::IDC_ZONE, Focus::IDC_HINT}));
    QCOMPARE(qobject_cast<QPushButton*>(dlg.GetDlgItem(Focus::IDC_HINT))->text(), QString("Hint"));
    QCOMPARE(dlg.GetDlgItem(Focus::IDC_ZONE)->geometry(),
             dlg.MapDialogRect(QRect(107, 209, 69, 14)));
    for (int nId : {Focus::IDC_W_VALUE, Focus::IDC_X_VALUE, Focus::IDC_ZOOM, Focus::IDC_ROT_X,
                    Focus::IDC_ROT_Y, Focus::IDC_ROT_Z, Focus::IDC_Y_VALUE, Focus::IDC_ZONE})
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
    Type(dlg, Free::IDC_POS_X, QString::fromStdString(FormatDoubleField(x)));
    Type(dlg, Free::IDC_POS_Y, QString::fromStdString(FormatDoubleField(y)));
    Type(dlg, Free::IDC_POS_Z, QString::fromStdString(FormatDoubleField(z)));
    Click(dlg, Free::IDC_HINT);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(sinks.AssertionCount(), 0);
    QCOMPARE(Text(dlg, Free::IDC_ZONE), QString::number(zone));
    QCOMPARE(Text(dlg, Free::IDC_X_VALUE), QString::number(ex));
    QCOMPARE(Text(dlg, Free::IDC_Y_VALUE), QString::number(ey));
    QCOMPARE(dlg.m_dWValue, w);
    QCOMPARE(Text(dlg, Free::IDC_W_VALUE), QString::fromStdString(FormatDoubleField(w)));
    QVERIFY(dlg.isVisible());
}

void CDialogsTest::freeHintIgnoresAngles() {
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, Free::IDC_POS_X, "201.4");
    Type(dlg, Free::IDC_POS_Y, "103.4");
    Type(dlg, Free::IDC_POS_Z, "-3");
    Click(dlg, Free::IDC_HINT);
    const QStringList before = {Text(dlg, Free::IDC_ZONE), Text(dlg, Free::IDC_W_VALUE),
                                Text(dlg, Free::IDC_X_VALUE), Text(dlg, Free::IDC_Y_VALUE)};
    Type(dlg, Free::IDC_ROT_X, "30");
    Type(dlg, Free::IDC_ROT_Y, "-45.5");
    Type(dlg, Free::IDC_ROT_Z, "90");
    Type(dlg, Free::IDC_ZONE, "77"); // the outputs are overwritten by each hint
    Click(dlg, Free::IDC_HINT);
    QCOMPARE(QStringList({Text(dlg, Free::IDC_ZONE), Text(dlg, Free::IDC_W_VALUE),
                          Text(dlg, Free::IDC_X_VALUE), Text(dlg, Free::IDC_Y_VALUE)}),
             before);
    QCOMPARE(Text(dlg, Free::IDC_ROT_Y), QString("-45.5"));
}

void CDialogsTest::freeHintDegenerate() {
    // The source centre of projection itself: C_new - C_src = 0, so W = 0. The hint reports the
    // failed assertion on W once and shows what a pure rotation is classified as: zone 5 with
    // the epipole at (0, 0) (one sheet over the whole grid) and W 0.
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, Free::IDC_POS_X, "1");
    Type(dlg, Free::IDC_POS_Y, "2");
    Type(dlg, Free::IDC_POS_Z, "-5");
    const int nBefore = sinks.AssertionCount();
    Click(dlg, Free::IDC_HINT);
    QCOMPARE(sinks.AssertionCount() - nBefore, 1);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(dlg.m_nZone, 5);
    QCOMPARE(dlg.m_nXValue, 0);
    QCOMPARE(dlg.m_nYValue, 0);
    QCOMPARE(dlg.m_dWValue, 0.0);
    QCOMPARE(Text(dlg, Free::IDC_ZONE), QString("5"));
    QCOMPARE(Text(dlg, Free::IDC_W_VALUE), QString("0"));
    QCOMPARE(Text(dlg, Free::IDC_X_VALUE), QString("0"));
    QCOMPARE(Text(dlg, Free::IDC_Y_VALUE), QString("0"));
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
    Type(dlg, Focus::IDC_ZOOM, zoom);
    Type(dlg, Focus::IDC_ROT_Y, rotY);
    Click(dlg, Focus::IDC_HINT);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(sinks.AssertionCount(), 0);
    QCOMPARE(Text(dlg, Focus::IDC_ZONE), QString::number(zone));
    QCOMPARE(Text(dlg, Focus::IDC_X_VALUE), QString::number(ex));
    QCOMPARE(Text(dlg, Focus::IDC_Y_VALUE), QString::number(ey));
    QVERIFY2(std::fabs(dlg.m_dWValue - w) < 1e-4, // 3.1415926 is not quite pi
             qPrintable(Text(dlg, Focus::IDC_W_VALUE)));
    QCOMPARE(Text(dlg, Focus::IDC_W_VALUE),
             QString::fromStdString(FormatDoubleField(dlg.m_dWValue)));
}

void CDialogsTest::focusHintDegenerate() {
    // Zoom 1 and no rotation: f + 1 * (C - f) with f = (100, 50, 10) and C = (1, 2, -5) is C
    // again (exact in doubles), W = 0, and the hint shows the pure rotation's zone 5 with the
    // epipole at (0, 0) after reporting the failed assertion on W once.
    CRecordingSinks sinks;
    CFocusCameraMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, Focus::IDC_ZOOM, "1");
    const int nBefore = sinks.AssertionCount();
    Click(dlg, Focus::IDC_HINT);
    QCOMPARE(sinks.AssertionCount() - nBefore, 1);
    QVERIFY(sinks.messages.empty());
    QCOMPARE(dlg.m_nZone, 5);
    QCOMPARE(dlg.m_nXValue, 0);
    QCOMPARE(dlg.m_nYValue, 0);
    QCOMPARE(dlg.m_dWValue, 0.0);
    QCOMPARE(Text(dlg, Focus::IDC_ZONE), QString("5"));
    QCOMPARE(Text(dlg, Focus::IDC_W_VALUE), QString("0"));
    QCOMPARE(Text(dlg, Focus::IDC_X_VALUE), QString("0"));
    QCOMPARE(Text(dlg, Focus::IDC_Y_VALUE), QString("0"));
}

void CDialogsTest::badZoneBlocksHintAndOk() {
    CRecordingSinks sinks;
    CCameraFreeMoveDialog dlg(m_pView);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Type(dlg, Free::IDC_POS_X, "201.4");
    Type(dlg, Free::IDC_ZONE, "five");
    Click(dlg, Free::IDC_HINT);
    QCOMPARE(sinks.messages, std::vector<std::string>{"Please enter an integer."});
    QCOMPARE(Text(dlg, Free::IDC_W_VALUE), QString("0")); // nothing shown changed
    QCOMPARE(Text(dlg, Free::IDC_ZONE), QString("five"));
    QCOMPARE(dlg.focusWidget(), dlg.GetDlgItem(Free::IDC_ZONE));
    QCOMPARE(dlg.GetEdit(Free::IDC_ZONE)->selectedText(), QString("five"));

    Click(dlg, IDOK);
    QCOMPARE(sinks.messages.size(), size_t(2));
    QVERIFY(dlg.isVisible());

    // A double field in the focus dialog: the other message.
    CFocusCameraMoveDialog focus(m_pView);
    focus.show();
    QVERIFY(QTest::qWaitForWindowExposed(&focus));
    Type(focus, Focus::IDC_ROT_X, "1,5");
    Click(focus, Focus::IDC_HINT);
    QCOMPARE(sinks.messages.back(), std::string("Please enter a number."));
    QCOMPARE(focus.focusWidget(), focus.GetDlgItem(Focus::IDC_ROT_X));

    Type(dlg, Free::IDC_ZONE, "5");
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
    Type(dlg, Free::IDC_POS_X, "201.4");
    Click(dlg, Free::IDC_HINT);
    CFocusCameraMoveDialog focus(m_pView);
    focus.show();
    QVERIFY(QTest::qWaitForWindowExposed(&focus));
    Click(focus, Focus::IDC_HINT);
    QCOMPARE(sinks.messages, std::vector<std::string>(2, kLoadImageDataFirstText));
    QCOMPARE(Text(dlg, Free::IDC_POS_X), QString("201.4"));
    QCOMPARE(Text(dlg, Free::IDC_ZONE), QString("0"));
    QCOMPARE(dlg.m_dPosX, 0.0);
    QCOMPARE(Text(focus, Focus::IDC_ZONE), QString("0"));
}

void CDialogsTest::okAndCancel() {
    {
        CCameraFreeMoveDialog dlg(m_pView);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Type(dlg, Free::IDC_ROT_X, "12.5");
        Type(dlg, Free::IDC_POS_Z, "-3");
        Click(dlg, IDCANCEL);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.m_dRotX, 0.0);
        QCOMPARE(dlg.m_dPosZ, 0.0);
    }
    {
        CFocusCameraMoveDialog dlg(m_pView);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Type(dlg, Focus::IDC_ZOOM, "0.75");
        Type(dlg, Focus::IDC_ROT_X, "10");
        Type(dlg, Focus::IDC_ROT_Y, "20");
        Type(dlg, Focus::IDC_ROT_Z, "30");
        dlg.GetEdit(Focus::IDC_ROT_Z)->setFocus();
        QTest::keyClick(dlg.GetEdit(Focus::IDC_ROT_Z), Qt::Key_Enter);
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
    if (nField == Free::IDC_POS_X)
        Type(dlg, Free::IDC_POS_Z, "-2.5");
    Click(dlg, Free::IDC_HINT);
    const QString strW = Text(dlg, Free::IDC_W_VALUE);
    Click(dlg, IDOK);
    *pdValue = nField == Free::IDC_POS_X ? static_cast<CCameraFreeMoveDialog&>(dlg).m_dPosX
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
        strFreeC = HintAndOk(free, Free::IDC_POS_X, "0.5", &dValue);
        CFocusCameraMoveDialog focus(m_pView);
        strFocusC = HintAndOk(focus, Focus::IDC_ZOOM, "0.5", &dValue);
    }
    QCOMPARE(strFreeC, QString("2.5"));
    QCOMPARE(strFocusC, QString("7.5"));

    CProcessLocale locale("de_DE.UTF-8");
    if (!locale.IsComma())
        QSKIP("de_DE.UTF-8 is not installed (scripts/install-deps.sh makes it)");
    QCOMPARE(QLocale().decimalPoint(), QString(","));
    CRecordingSinks sinks;
    for (int nField : {int(Free::IDC_POS_X), int(Focus::IDC_ZOOM)}) {
        std::unique_ptr<CTemplateDialog> pDlg;
        if (nField == Free::IDC_POS_X)
            pDlg = std::make_unique<CCameraFreeMoveDialog>(m_pView);
        else
            pDlg = std::make_unique<CFocusCameraMoveDialog>(m_pView);
        dValue = 0.0;
        QCOMPARE(HintAndOk(*pDlg, nField, "0.5", &dValue),
                 nField == Free::IDC_POS_X ? strFreeC : strFocusC);
        QCOMPARE(dValue, 0.5);
        QCOMPARE(pDlg->result(), int(QDialog::Accepted));
        QVERIFY(sinks.messages.empty());

        // The user's own decimal comma is not a number here.
        if (nField == Free::IDC_POS_X)
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

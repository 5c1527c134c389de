// Parsing and showing of numeric fields, and the behaviour of dialogs built from templates:
// placement in dialog units, ids, tab order, Enter and Escape, and validation stopping OK.
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <clocale>
#include <cmath>

#include "TestSupport.h"
#include "platform/DataExchange.h"
#include "platform/DialogTemplate.h"

namespace {

const SDialogControl kControls[] = {
    {EControlKind::DefPushButton, IDOK, "OK", 100, 10, 50, 14, kCtlNone},
    {EControlKind::PushButton, IDCANCEL, "Cancel", 100, 30, 50, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "First", 10, 10, 40, 15, kCtlVCenter},
    {EControlKind::Edit, 1001, nullptr, 55, 11, 40, 12, kCtlNone},
    {EControlKind::Edit, 1002, nullptr, 55, 31, 40, 12, kCtlNone},
    {EControlKind::Edit, 1003, nullptr, 55, 51, 40, 12, kCtlNone},
    {EControlKind::PushButton, 1007, "Other", 100, 50, 50, 14, kCtlNone},
};
const SDialogTemplate kTemplate = {777, "Sample ", 160, 70, "Times New Roman", 10, kControls, 7};

// A dialog with a double, an int and a double field, exchanged in that order.
class CSampleDialog : public CTemplateDialog {
public:
    CSampleDialog() : CTemplateDialog(kTemplate, nullptr) {}
    double m_dFirst = 0.0;
    int m_nSecond = 0;
    double m_dThird = 0.0;
    int m_nCommands = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 1001, m_dFirst);
        DDX_Text(pDX, 1002, m_nSecond);
        DDX_Text(pDX, 1003, m_dThird);
    }
    void OnCommand(int nId) override {
        if (nId == 1007)
            ++m_nCommands;
    }
};

} // namespace

class CDataExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void parseDouble_data();
    void parseDouble();
    void parseInt_data();
    void parseInt();
    void formatIsCLocale();
    void templateLayout();
    void enterAndEscape();
    void validationStopsOk();
    void otherButtonRunsCommand();
};

void CDataExchangeTest::parseDouble_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "1.5" << true << 1.5;
    QTest::newRow("blanks and exponent") << " \t-2e3 " << true << -2000.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("plus sign") << "+0.25" << true << 0.25;
    QTest::newRow("negative zero") << "-0" << true << 0.0;
    QTest::newRow("tiny") << "1e-300" << true << 1e-300;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("word") << "abc" << false << 0.0;
    QTest::newRow("comma decimal") << "1,5" << false << 0.0;
    QTest::newRow("trailing junk") << "1.5x" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("two numbers") << "1 2" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
}

void CDataExchangeTest::parseDouble() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double d = 42.0;
    QCOMPARE(ParseDoubleField(text.toStdString(), &d), ok);
    QCOMPARE(d, ok ? value : 42.0); // a failed parse leaves the member alone
}

void CDataExchangeTest::parseInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << true << 42;
    QTest::newRow("blanks and sign") << " -7 " << true << -7;
    QTest::newRow("plus") << "+3" << true << 3;
    QTest::newRow("int max") << "2147483647" << true << 2147483647;
    QTest::newRow("int min") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("above int") << "2147483648" << false << 0;
    QTest::newRow("below int") << "-2147483649" << false << 0;
    QTest::newRow("far above") << "99999999999999999999999" << false << 0;
    QTest::newRow("decimal") << "1.0" << false << 0;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("junk") << "12a" << false << 0;
}

void CDataExchangeTest::parseInt() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int n = 42;
    QCOMPARE(ParseIntField(text.toStdString(), &n), ok);
    QCOMPARE(n, ok ? value : 42);
}

void CDataExchangeTest::formatIsCLocale() {
    // A comma-decimal locale must not change what is read or shown.
    const char* pszLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!pszLocale)
        QSKIP("locale de_DE.UTF-8 not available");
    QCOMPARE(FormatDoubleField(1.5), std::string("1.5"));
    QCOMPARE(FormatDoubleField(0.1), std::string("0.1"));
    QCOMPARE(FormatDoubleField(1.0 / 3.0), std::string("0.333333333333333"));
    QCOMPARE(FormatDoubleField(-1.2345678901234567e17), std::string("-1.23456789012346e+17"));
    QCOMPARE(FormatDoubleField(1e-30), std::string("1e-30"));
    QCOMPARE(FormatIntField(-12), std::string("-12"));
    double d = 0.0;
    QVERIFY(ParseDoubleField("2.75", &d));
    QCOMPARE(d, 2.75);
    QVERIFY(!ParseDoubleField("2,75", &d));
    std::setlocale(LC_ALL, "C");
}

void CDataExchangeTest::templateLayout() {
    CSampleDialog dlg;
    QCOMPARE(dlg.windowTitle(), QString("Sample "));
    QCOMPARE(dlg.property("templateId").toInt(), 777);
    QCOMPARE(QFontInfo(dlg.font()).family(), QString("Liberation Serif"));

    // Base units from the dialog font, and every control where its dialog units say.
    int nBaseX = 0, nBaseY = 0;
    CTemplateDialog::FontBaseUnits(dlg.font(), &nBaseX, &nBaseY);
    QCOMPARE(dlg.GetBaseUnitX(), nBaseX);
    QCOMPARE(dlg.GetBaseUnitY(), nBaseY);
    QVERIFY(nBaseX >= 4 && nBaseX <= 12);
    QVERIFY(nBaseY >= 10 && nBaseY <= 24);
    auto px = [&](int x, int b, int d) { return (x * b + d / 2) / d; };
    QCOMPARE(dlg.size(), QSize(px(160, nBaseX, 4), px(70, nBaseY, 8)));
    for (const SDialogControl& ctl : kControls) {
        QWidget* pWidget = nullptr;
        if (ctl.nId == IDC_STATIC) {
            for (QLabel* pLabel : dlg.findChildren<QLabel*>())
                if (pLabel->text() == QString(ctl.pszText))
                    pWidget = pLabel;
        } else {
            pWidget = dlg.GetDlgItem(ctl.nId);
        }
        QVERIFY2(pWidget, ctl.pszText ? ctl.pszText : "edit");
        QCOMPARE(pWidget->property("controlId").toInt(), ctl.nId);
        QCOMPARE(pWidget->geometry(), QRect(px(ctl.x, nBaseX, 4), px(ctl.y, nBaseY, 8),
                                            px(ctl.cx, nBaseX, 4), px(ctl.cy, nBaseY, 8)));
    }
    QLabel* pLabel = dlg.findChild<QLabel*>();
    QCOMPARE(pLabel->frameStyle(), int(QFrame::Panel | QFrame::Sunken));
    QCOMPARE(pLabel->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK))->isDefault());
    QVERIFY(!qobject_cast<QPushButton*>(dlg.GetDlgItem(1007))->isDefault());

    // Tab order is the template order of the focusable controls.
    const int nOrder[] = {IDOK, IDCANCEL, 1001, 1002, 1003, 1007, IDOK};
    for (size_t i = 0; i + 1 < sizeof nOrder / sizeof nOrder[0]; ++i) {
        QWidget* pNext = dlg.GetDlgItem(nOrder[i])->nextInFocusChain();
        while (!(pNext->focusPolicy() & Qt::TabFocus))
            pNext = pNext->nextInFocusChain();
        QCOMPARE(pNext, dlg.GetDlgItem(nOrder[i + 1]));
    }
}

void CDataExchangeTest::enterAndEscape() {
    CRecordingSinks sinks;
    {
        CSampleDialog dlg;
        dlg.m_dFirst = 0.5;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.GetEdit(1001)->text(), QString("0.5")); // filled from the members on show
        dlg.GetEdit(1001)->setFocus();
        dlg.GetEdit(1001)->setText("  7.25 ");
        dlg.GetEdit(1002)->setText("-3");
        QTest::keyClick(dlg.GetEdit(1001), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.m_dFirst, 7.25);
        QCOMPARE(dlg.m_nSecond, -3);
    }
    {
        CSampleDialog dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.GetEdit(1001)->setText("9");
        QTest::keyClick(dlg.GetEdit(1001), Qt::Key_Escape);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.m_dFirst, 0.0); // Cancel uses no value
    }
    QVERIFY(sinks.messages.empty());
}

void CDataExchangeTest::validationStopsOk() {
    CRecordingSinks sinks;
    CSampleDialog dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.GetEdit(1001)->setText("1.25");
    dlg.GetEdit(1002)->setText("2.5");
    dlg.GetEdit(1003)->setText("3");
    QTest::mouseClick(dlg.GetDlgItem(IDOK), Qt::LeftButton);
    QCOMPARE(sinks.messages, std::vector<std::string>{"Please enter an integer."});
    QVERIFY(dlg.isVisible()); // still open
    QCOMPARE(dlg.focusWidget(), dlg.GetDlgItem(1002));
    QCOMPARE(dlg.GetEdit(1002)->selectedText(), QString("2.5"));
    QCOMPARE(dlg.m_dFirst, 1.25); // fields before the bad one were exchanged...
    QCOMPARE(dlg.m_dThird, 0.0);  // ...the exchange stopped at it

    sinks.messages.clear();
    dlg.GetEdit(1002)->setText("4");
    dlg.GetEdit(1003)->setText("x");
    QTest::mouseClick(dlg.GetDlgItem(IDOK), Qt::LeftButton);
    QCOMPARE(sinks.messages, std::vector<std::string>{"Please enter a number."});
    QCOMPARE(dlg.focusWidget(), dlg.GetDlgItem(1003));
    QVERIFY(dlg.isVisible());

    dlg.GetEdit(1003)->setText("-1e2");
    QTest::mouseClick(dlg.GetDlgItem(IDOK), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nSecond, 4);
    QCOMPARE(dlg.m_dThird, -100.0);
}

void CDataExchangeTest::otherButtonRunsCommand() {
    CSampleDialog dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.GetDlgItem(1007), Qt::LeftButton);
    QTest::mouseClick(dlg.GetDlgItem(1007), Qt::LeftButton);
    QCOMPARE(dlg.m_nCommands, 2);
    QVERIFY(dlg.isVisible());
    // Members to controls shows the values in the C locale.
    dlg.m_dFirst = 0.1;
    dlg.m_nSecond = -2147483647 - 1;
    dlg.m_dThird = 1.0 / 3.0;
    QVERIFY(dlg.UpdateData(false));
    QCOMPARE(dlg.GetEdit(1001)->text(), QString("0.1"));
    QCOMPARE(dlg.GetEdit(1002)->text(), QString("-2147483648"));
    QCOMPARE(dlg.GetEdit(1003)->text(), QString("0.333333333333333"));
}

QTEST_MAIN(CDataExchangeTest)
#include "DataExchangeTest.moc"

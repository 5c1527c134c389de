#include "platform/DataExchange.h"

#include <QLineEdit>
#include <QWidget>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

#include "framework/Services.h"

const char* const kPleaseEnterNumberText = "Please enter a number.";
const char* const kPleaseEnterIntegerText = "Please enter an integer.";

namespace {

// One C locale for the whole process: the user's locale (which Qt installs at start-up) must
// never change how a dialog reads or shows a number.
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without the blanks around it.
std::string Trimmed(const std::string& strText) {
    size_t nBegin = 0;
    size_t nEnd = strText.size();
    while (nBegin < nEnd && IsBlank(strText[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsBlank(strText[nEnd - 1]))
        --nEnd;
    return strText.substr(nBegin, nEnd - nBegin);
}

// [+-] (digits [. [digits]] | . digits) [(e|E) [+-] digits]: a plain decimal number, so that
// strtod's extras (hex, "nan", "inf") never reach a camera.
bool IsDecimalNumber(const std::string& str) {
    size_t i = 0;
    const size_t n = str.size();
    if (i < n && (str[i] == '+' || str[i] == '-'))
        ++i;
    size_t nDigits = 0;
    while (i < n && IsDigit(str[i])) {
        ++i;
        ++nDigits;
    }
    if (i < n && str[i] == '.') {
        ++i;
        while (i < n && IsDigit(str[i])) {
            ++i;
            ++nDigits;
        }
    }
    if (nDigits == 0)
        return false;
    if (i < n && (str[i] == 'e' || str[i] == 'E')) {
        ++i;
        if (i < n && (str[i] == '+' || str[i] == '-'))
            ++i;
        size_t nExpDigits = 0;
        while (i < n && IsDigit(str[i])) {
            ++i;
            ++nExpDigits;
        }
        if (nExpDigits == 0)
            return false;
    }
    return i == n;
}

} // namespace

bool ParseDoubleField(const std::string& strText, double* pValue) {
    const std::string str = Trimmed(strText);
    if (!IsDecimalNumber(str))
        return false;
    char* pszEnd = nullptr;
    const double d = strtod_l(str.c_str(), &pszEnd, CLocale());
    if (pszEnd != str.c_str() + str.size() || !std::isfinite(d))
        return false; // an overflow gives an infinity: not a number a move can use
    *pValue = d;
    return true;
}

bool ParseIntField(const std::string& strText, int* pValue) {
    const std::string str = Trimmed(strText);
    size_t i = 0;
    if (i < str.size() && (str[i] == '+' || str[i] == '-'))
        ++i;
    if (i == str.size())
        return false;
    for (size_t j = i; j < str.size(); ++j)
        if (!IsDigit(str[j]))
            return false;
    errno = 0;
    char* pszEnd = nullptr;
    const long long n = strtoll_l(str.c_str(), &pszEnd, 10, CLocale());
    if (errno == ERANGE || n < INT_MIN || n > INT_MAX)
        return false;
    *pValue = static_cast<int>(n);
    return true;
}

std::string FormatDoubleField(double dValue) {
    char szBuffer[64];
    const locale_t old = uselocale(CLocale());
    std::snprintf(szBuffer, sizeof szBuffer, "%.15g", dValue);
    uselocale(old);
    return szBuffer;
}

std::string FormatIntField(int nValue) {
    char szBuffer[32];
    std::snprintf(szBuffer, sizeof szBuffer, "%d", nValue);
    return szBuffer;
}

CDataExchange::CDataExchange(QWidget* pDialog, bool bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDialog), m_bFailed(false) {}

QLineEdit* CDataExchange::PrepareEditCtrl(int nId) {
    QLineEdit* pEdit = m_pDlgWnd ? m_pDlgWnd->findChild<QLineEdit*>(QString::number(nId)) : nullptr;
    MORROW_ASSERT(pEdit != nullptr);
    return pEdit;
}

void CDataExchange::Fail(QLineEdit* pEdit, const char* pszText) {
    ShowMessageBox(pszText);
    if (pEdit) {
        pEdit->setFocus(Qt::OtherFocusReason);
        pEdit->selectAll();
    }
    m_bFailed = true;
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
    if (pDX->m_bFailed)
        return;
    QLineEdit* pEdit = pDX->PrepareEditCtrl(nIDC);
    if (!pEdit) {
        pDX->m_bFailed = true;
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        if (!ParseDoubleField(pEdit->text().toStdString(), &value))
            pDX->Fail(pEdit, kPleaseEnterNumberText);
    } else {
        pEdit->setText(QString::fromStdString(FormatDoubleField(value)));
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFailed)
        return;
    QLineEdit* pEdit = pDX->PrepareEditCtrl(nIDC);
    if (!pEdit) {
        pDX->m_bFailed = true;
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        if (!ParseIntField(pEdit->text().toStdString(), &value))
            pDX->Fail(pEdit, kPleaseEnterIntegerText);
    } else {
        pEdit->setText(QString::fromStdString(FormatIntField(value)));
    }
}

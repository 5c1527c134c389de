// Dialog data exchange: moves values between a dialog's edit fields and its members, in either
// direction, and validates numeric text on the way in. A dialog's DoDataExchange calls one
// DDX_Text per field, in its own order; the first field that fails stops the exchange.
#pragma once

#include <string>

class QWidget;
class QLineEdit;

// Texts shown when a field does not hold what its member needs.
extern const char* const kPleaseEnterNumberText;  // "Please enter a number."
extern const char* const kPleaseEnterIntegerText; // "Please enter an integer."

// State of one exchange. Built by CTemplateDialog::UpdateData; DDX_Text reads and updates it.
class CDataExchange {
public:
    // pDialog: the dialog whose children carry the control ids (objectName "1001" etc.).
    // bSaveAndValidate: true = controls to members (with validation), false = members to controls.
    CDataExchange(QWidget* pDialog, bool bSaveAndValidate);

    bool m_bSaveAndValidate;
    QWidget* m_pDlgWnd;
    // Set by the first field that failed; every later DDX_Text of this exchange does nothing.
    bool m_bFailed;

    // The edit field with control id nId, or null (a debug assertion reports a missing one).
    QLineEdit* PrepareEditCtrl(int nId);
    // Shows pszText as a message box, puts the focus on the field and selects all its text,
    // and stops the exchange.
    void Fail(QLineEdit* pEdit, const char* pszText);
};

// Double field. Controls to members: the text must be a finite decimal number in the C locale
// (blanks around it allowed, no "nan", "inf" or hex); otherwise "Please enter a number." and the
// member is left unchanged. Members to controls: "%.15g" in the C locale.
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
// Int field. Controls to members: optional sign and decimal digits (blanks around allowed) whose
// value fits a 32-bit int; otherwise "Please enter an integer." and the member is unchanged.
// Members to controls: "%d".
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);

// The parsing and formatting used by DDX_Text, for callers and tests that need them alone.
// Both are independent of the process locale. Parse functions return false on bad text and
// leave *pValue alone then.
bool ParseDoubleField(const std::string& strText, double* pValue);
bool ParseIntField(const std::string& strText, int* pValue);
std::string FormatDoubleField(double dValue);
std::string FormatIntField(int nValue);

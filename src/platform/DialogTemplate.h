// Modal dialogs built from template tables: controls placed in dialog units, converted to pixels
// with the base units of the dialog's own font, and a data exchange between the controls and the
// dialog's members.
#pragma once

#include <QDialog>
#include <QRect>

#include "platform/StdIds.h" // IDOK, IDCANCEL: the results of DoModal, as the ids of the buttons

class CDataExchange;
class QLineEdit;

// Control id of labels that no code refers to.
constexpr int IDC_STATIC = -1;

enum class EControlKind {
    PushButton,    // an ordinary push button
    DefPushButton, // the dialog's default button: Enter presses it when no button has the focus
    Label,         // static text with a sunken edge
    Edit,          // single-line edit field with a border, scrolling horizontally
};

// Extra style bits of one control.
enum EControlFlags : unsigned {
    kCtlNone = 0,
    kCtlBordered = 1u << 0, // label: a border line inside the sunken edge
    kCtlVCenter = 1u << 1,  // label: one line of text centred vertically
};

struct SDialogControl {
    EControlKind kind;
    int nId; // IDOK, IDCANCEL, a control id or IDC_STATIC
    const char* pszText;
    int x, y, cx, cy; // dialog units
    unsigned nFlags;  // EControlFlags
};

struct SDialogTemplate {
    int nId; // template id, kept as the dialog's property "templateId"
    const char* pszCaption;
    int cx, cy;          // client area in dialog units
    const char* pszFont; // face name; fontconfig maps it to the installed substitute
    int nPointSize;
    const SDialogControl* pControls; // in tab order
    int nControls;
};

// A modal dialog made from an SDialogTemplate. Each control keeps its id as objectName (the
// decimal id, e.g. "1001") and as property "controlId"; the tab order is the template order.
// Button IDOK runs OnOK, IDCANCEL (and Escape, and closing the window) runs OnCancel, every other
// button runs OnCommand with its id.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    CTemplateDialog(const SDialogTemplate& dialogTemplate, QWidget* pParent);
    ~CTemplateDialog() override;

    // Runs the dialog modally; returns IDOK or IDCANCEL.
    int DoModal();

    // true: controls to members, validating each field; false: members to controls. Returns
    // false when a field failed validation (its message was shown and it has the focus).
    bool UpdateData(bool bSaveAndValidate = true);

    // The control with this id, or null.
    QWidget* GetDlgItem(int nId) const;
    QLineEdit* GetEdit(int nId) const;

    // Dialog units to pixels, with the base units of the dialog font: horizontally a quarter of
    // the font's average character width, vertically an eighth of its height.
    QRect MapDialogRect(const QRect& rcDialogUnits) const;
    int GetBaseUnitX() const { return m_nBaseUnitX; }
    int GetBaseUnitY() const { return m_nBaseUnitY; }

    // Base units of a font: average width of the 52 Latin letters (rounded), and line height.
    static void FontBaseUnits(const QFont& font, int* pnBaseX, int* pnBaseY);

protected:
    // Fills the controls from the members the first time the dialog is shown.
    virtual void OnInitDialog();
    // One DDX_Text call per field, in the dialog's order. The default exchanges nothing.
    virtual void DoDataExchange(CDataExchange* pDX);
    // Validates every field and ends the dialog with IDOK; stays open when a field fails.
    virtual void OnOK();
    // Ends the dialog with IDCANCEL, using no value.
    virtual void OnCancel();
    // A click on a push button other than IDOK and IDCANCEL.
    virtual void OnCommand(int nId);

    void showEvent(QShowEvent* pEvent) override;
    void reject() override;

private:
    int m_nBaseUnitX;
    int m_nBaseUnitY;
    bool m_bInitialised;
};

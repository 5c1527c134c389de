#include "platform/DialogTemplate.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "platform/DataExchange.h"

namespace {

// Rounded a * b / c for the small positive and negative values of a dialog template.
int MulDiv(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    return static_cast<int>(n >= 0 ? (n + c / 2) / c : -((-n + c / 2) / c));
}

} // namespace

void CTemplateDialog::FontBaseUnits(const QFont& font, int* pnBaseX, int* pnBaseY) {
    const QFontMetrics metrics(font);
    const int nLetters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    *pnBaseX = (nLetters / 26 + 1) / 2;
    *pnBaseY = metrics.height();
}

CTemplateDialog::CTemplateDialog(const SDialogTemplate& dialogTemplate, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_nBaseUnitX(1), m_nBaseUnitY(1), m_bInitialised(false) {
    setModal(true);
    setWindowTitle(QString::fromUtf8(dialogTemplate.pszCaption));
    setProperty("templateId", dialogTemplate.nId);

    QFont font(QString::fromUtf8(dialogTemplate.pszFont));
    font.setPointSize(dialogTemplate.nPointSize);
    setFont(font);
    FontBaseUnits(font, &m_nBaseUnitX, &m_nBaseUnitY);

    const QRect rcClient = MapDialogRect(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy));
    setFixedSize(rcClient.size());

    QWidget* pPrevFocus = nullptr;
    for (int i = 0; i < dialogTemplate.nControls; ++i) {
        const SDialogControl& ctl = dialogTemplate.pControls[i];
        const QString strText = QString::fromUtf8(ctl.pszText ? ctl.pszText : "");
        QWidget* pWidget = nullptr;
        switch (ctl.kind) {
        case EControlKind::PushButton:
        case EControlKind::DefPushButton: {
            QPushButton* pButton = new QPushButton(strText, this);
            // A button with the focus takes Enter; otherwise the default button does.
            pButton->setAutoDefault(true);
            if (ctl.kind == EControlKind::DefPushButton)
                pButton->setDefault(true);
            const int nId = ctl.nId;
            connect(pButton, &QPushButton::clicked, this, [this, nId]() {
                if (nId == IDOK)
                    OnOK();
                else if (nId == IDCANCEL)
                    OnCancel();
                else
                    OnCommand(nId);
            });
            pWidget = pButton;
            break;
        }
        case EControlKind::Label: {
            QLabel* pLabel = new QLabel(strText, this);
            pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            if (ctl.nFlags & kCtlBordered)
                pLabel->setLineWidth(2);
            if (ctl.nFlags & kCtlVCenter) {
                pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                pLabel->setWordWrap(true);
            }
            pWidget = pLabel;
            break;
        }
        case EControlKind::Edit: {
            QLineEdit* pEdit = new QLineEdit(this);
            pEdit->setFrame(true);
            pWidget = pEdit;
            break;
        }
        }
        if (ctl.nId != IDC_STATIC)
            pWidget->setObjectName(QString::number(ctl.nId));
        pWidget->setProperty("controlId", ctl.nId);
        pWidget->setGeometry(MapDialogRect(QRect(ctl.x, ctl.y, ctl.cx, ctl.cy)));
        if (pWidget->focusPolicy() != Qt::NoFocus) {
            if (pPrevFocus)
                setTabOrder(pPrevFocus, pWidget);
            pPrevFocus = pWidget;
        }
    }
}

CTemplateDialog::~CTemplateDialog() = default;

QRect CTemplateDialog::MapDialogRect(const QRect& rc) const {
    return QRect(MulDiv(rc.x(), m_nBaseUnitX, 4), MulDiv(rc.y(), m_nBaseUnitY, 8),
                 MulDiv(rc.width(), m_nBaseUnitX, 4), MulDiv(rc.height(), m_nBaseUnitY, 8));
}

int CTemplateDialog::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CTemplateDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

QWidget* CTemplateDialog::GetDlgItem(int nId) const {
    return findChild<QWidget*>(QString::number(nId), Qt::FindDirectChildrenOnly);
}

QLineEdit* CTemplateDialog::GetEdit(int nId) const {
    return qobject_cast<QLineEdit*>(GetDlgItem(nId));
}

void CTemplateDialog::OnInitDialog() {
    UpdateData(false);
}

void CTemplateDialog::DoDataExchange(CDataExchange*) {}

void CTemplateDialog::OnOK() {
    if (!UpdateData(true))
        return;
    accept();
}

void CTemplateDialog::OnCancel() {
    QDialog::reject();
}

void CTemplateDialog::OnCommand(int) {}

void CTemplateDialog::showEvent(QShowEvent* pEvent) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CTemplateDialog::reject() {
    OnCancel();
}

#include "ui/FocusCameraMoveDialog.h"

#include <cmath>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "platform/DataExchange.h"
#include "ui/MorrowView.h"
#include "warp/Warp.h"

namespace {

constexpr unsigned kLabel = kCtlVCenter;

const SDialogControl kControls[] = {
    {EControlKind::DefPushButton, IDOK, "OK", 242, 39, 50, 14, kCtlNone},
    {EControlKind::PushButton, IDCANCEL, "Cancel", 242, 72, 50, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "ZOOM VALUE", 23, 37, 53, 15, kLabel},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_ZOOM, nullptr, 107, 41, 69, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "ROTATE  X", 23, 62, 53, 15, kLabel},
    {EControlKind::Label, IDC_STATIC, "ROTATE  Y", 23, 87, 53, 15, kLabel},
    {EControlKind::Label, IDC_STATIC, "ROTATE  Z", 23, 112, 53, 15, kLabel},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_ROT_X, nullptr, 107, 65, 69, 14, kCtlNone},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_ROT_Y, nullptr, 107, 89, 69, 14, kCtlNone},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_ROT_Z, nullptr, 107, 113, 69, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "X VALUE", 23, 137, 53, 15, kLabel},
    {EControlKind::Label, IDC_STATIC, "Y VALUE", 23, 162, 53, 15, kLabel},
    {EControlKind::Label, IDC_STATIC, "W VALUE", 23, 187, 53, 15, kLabel},
    {EControlKind::Label, IDC_STATIC, "ZONE NO.", 23, 212, 53, 15, kLabel},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_X_VALUE, nullptr, 107, 137, 69, 14, kCtlNone},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_Y_VALUE, nullptr, 107, 161, 69, 14, kCtlNone},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_W_VALUE, nullptr, 107, 185, 69, 14, kCtlNone},
    {EControlKind::Edit, CFocusCameraMoveDialog::IDC_ZONE, nullptr, 107, 209, 69, 14, kCtlNone},
    // Drawn in the default style in the template, but OK stays the button that Enter presses.
    {EControlKind::PushButton, CFocusCameraMoveDialog::IDC_HINT, "Hint", 242, 100, 50, 14,
     kCtlNone},
};

const SDialogTemplate kTemplate = {
    CFocusCameraMoveDialog::IDD,
    "FOCUS ",
    338,
    245,
    "Times New Roman",
    9,
    kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0]),
};

} // namespace

CFocusCameraMoveDialog::CFocusCameraMoveDialog(CMorrowView* pView, QWidget* pParent)
    : CTemplateDialog(kTemplate, pParent), m_pView(pView), m_dZoom(0.0), m_dRotX(0.0), m_dRotY(0.0),
      m_dRotZ(0.0), m_dWValue(0.0), m_nXValue(0), m_nYValue(0), m_nZone(0) {}

CFocusCameraMoveDialog::~CFocusCameraMoveDialog() = default;

void CFocusCameraMoveDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_ZOOM, m_dZoom);
    DDX_Text(pDX, IDC_ROT_X, m_dRotX);
    DDX_Text(pDX, IDC_ROT_Y, m_dRotY);
    DDX_Text(pDX, IDC_ROT_Z, m_dRotZ);
    DDX_Text(pDX, IDC_W_VALUE, m_dWValue);
    DDX_Text(pDX, IDC_X_VALUE, m_nXValue);
    DDX_Text(pDX, IDC_Y_VALUE, m_nYValue);
    DDX_Text(pDX, IDC_ZONE, m_nZone);
}

void CFocusCameraMoveDialog::OnCommand(int nId) {
    if (nId == IDC_HINT)
        OnHint();
}

void CFocusCameraMoveDialog::OnHint() {
    const CViewImage* pSource = m_pView ? m_pView->SourceForMove() : nullptr;
    if (!pSource)
        return;
    if (!UpdateData(true))
        return;

    // The same new centre of projection as the focus-move constructor computes; the hint needs
    // no new projection matrix.
    double newCOP[3];
    ComputeFocusCOP(m_dRotX, m_dRotY, m_dRotZ, m_dZoom, *pSource, newCOP);
    const EpipoleInfo info = ClassifyEpipole(pSource->GetP(), pSource->GetCOP(), newCOP,
                                             pSource->GetWidth() - 1, pSource->GetHeight() - 1);
    // Zoom 1 with no rotation leaves the camera where it is: no finite epipole; the fields then
    // show the fallback that the warp uses for it.
    MORROW_ASSERT(std::fabs(info.dW) > 1e-20);

    m_dWValue = info.dW;
    m_nXValue = info.nEx;
    m_nYValue = info.nEy;
    m_nZone = info.nZone;
    UpdateData(false);
}

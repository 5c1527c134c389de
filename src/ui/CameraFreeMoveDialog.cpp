#include "ui/CameraFreeMoveDialog.h"

#include <cmath>

#include "framework/Services.h"
#include "image/ViewImage.h"
#include "platform/DataExchange.h"
#include "ui/MorrowView.h"
#include "warp/Warp.h"

const char* const kLoadImageDataFirstText =
    "No image data is loaded. Please load image data first (LOADIMAGE, Load Imagedata).";

namespace {

const SDialogControl kControls[] = {
    {EControlKind::DefPushButton, IDOK, "OK", 196, 80, 50, 14, kCtlNone},
    {EControlKind::PushButton, IDCANCEL, "Cancel", 196, 107, 50, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Camera Rotation", 61, 13, 68, 15, kCtlBordered},
    {EControlKind::Label, IDC_STATIC, "X Rotation", 27, 39, 48, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Y Rotation", 27, 63, 48, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Z Rotation", 27, 87, 48, 14, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_ROT_X, nullptr, 96, 41, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_ROT_Y, nullptr, 96, 64, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_ROT_Z, nullptr, 96, 87, 79, 12, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Camera Position", 63, 108, 68, 15, kCtlBordered},
    {EControlKind::Label, IDC_STATIC, "X Position", 27, 132, 48, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Y Postion", 27, 156, 48, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "Z Postion", 27, 180, 48, 14, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_POS_X, nullptr, 94, 136, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_POS_Y, nullptr, 94, 159, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_POS_Z, nullptr, 94, 182, 79, 12, kCtlNone},
    {EControlKind::PushButton, CCameraFreeMoveDialog::IDC_HINT, "HINT", 196, 134, 50, 14, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "ZONE", 28, 212, 45, 15, kCtlBordered},
    {EControlKind::Label, IDC_STATIC, "W VALUE", 28, 234, 45, 15, kCtlBordered},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_ZONE, nullptr, 94, 214, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_W_VALUE, nullptr, 94, 237, 79, 12, kCtlNone},
    {EControlKind::Label, IDC_STATIC, "X Value", 28, 265, 45, 15, kCtlBordered},
    {EControlKind::Label, IDC_STATIC, "Y Value", 28, 283, 45, 15, kCtlBordered},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_X_VALUE, nullptr, 94, 266, 79, 12, kCtlNone},
    {EControlKind::Edit, CCameraFreeMoveDialog::IDC_Y_VALUE, nullptr, 94, 284, 79, 12, kCtlNone},
};

const SDialogTemplate kTemplate = {
    CCameraFreeMoveDialog::IDD,
    "FREE MOVEMENT OF CARMERA",
    266,
    311,
    "Times New Roman",
    10,
    kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0]),
};

} // namespace

CCameraFreeMoveDialog::CCameraFreeMoveDialog(CMorrowView* pView, QWidget* pParent)
    : CTemplateDialog(kTemplate, pParent), m_pView(pView), m_dWValue(0.0), m_dPosX(0.0),
      m_dRotX(0.0), m_dPosY(0.0), m_dRotY(0.0), m_dPosZ(0.0), m_dRotZ(0.0), m_nZone(0),
      m_nXValue(0), m_nYValue(0) {}

CCameraFreeMoveDialog::~CCameraFreeMoveDialog() = default;

void CCameraFreeMoveDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_W_VALUE, m_dWValue);
    DDX_Text(pDX, IDC_POS_X, m_dPosX);
    DDX_Text(pDX, IDC_ROT_X, m_dRotX);
    DDX_Text(pDX, IDC_POS_Y, m_dPosY);
    DDX_Text(pDX, IDC_ROT_Y, m_dRotY);
    DDX_Text(pDX, IDC_POS_Z, m_dPosZ);
    DDX_Text(pDX, IDC_ROT_Z, m_dRotZ);
    DDX_Text(pDX, IDC_ZONE, m_nZone);
    DDX_Text(pDX, IDC_X_VALUE, m_nXValue);
    DDX_Text(pDX, IDC_Y_VALUE, m_nYValue);
}

void CCameraFreeMoveDialog::OnCommand(int nId) {
    if (nId == IDC_HINT)
        OnHint();
}

void CCameraFreeMoveDialog::OnHint() {
    const CViewImage* pSource = m_pView ? m_pView->SourceForMove() : nullptr;
    if (!pSource)
        return;
    if (!UpdateData(true))
        return;

    // The epipole of a free move depends on the position alone; the angles take no part.
    const double newCOP[3] = {m_dPosX, m_dPosY, m_dPosZ};
    const EpipoleInfo info = ClassifyEpipole(pSource->GetP(), pSource->GetCOP(), newCOP,
                                             pSource->GetWidth() - 1, pSource->GetHeight() - 1);
    // A position in the source camera's focal plane has no finite epipole; the fields then show
    // the fallback that the warp uses for it.
    MORROW_ASSERT(std::fabs(info.dW) > 1e-20);

    m_dWValue = info.dW;
    m_nXValue = info.nEx;
    m_nYValue = info.nEy;
    m_nZone = info.nZone;
    UpdateData(false);
}

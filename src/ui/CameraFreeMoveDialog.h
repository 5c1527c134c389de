// The modal dialog of Free Camera Move: three rotation angles (degrees) and the absolute position
// of the new centre of projection, with a HINT button that shows, before any warp, the zone, the
// W value and the rounded epipole that the move will produce.
#pragma once

#include "platform/DialogTemplate.h"

class CMorrowView;

// Shown by the hints and the moves while the document has no source image.
extern const char* const kLoadImageDataFirstText;

class CCameraFreeMoveDialog : public CTemplateDialog {
    Q_OBJECT
public:
    enum { IDD = 130 };
    enum {
        IDC_ROT_X = 1001,
        IDC_ROT_Y = 1002,
        IDC_ROT_Z = 1003,
        IDC_POS_X = 1004,
        IDC_POS_Y = 1005,
        IDC_POS_Z = 1006,
        IDC_HINT = 1007,
        IDC_ZONE = 1008,
        IDC_W_VALUE = 1009,
        IDC_X_VALUE = 1010,
        IDC_Y_VALUE = 1011,
    };

    // pView: the view that opens the dialog (its document gives the source camera for the
    // hint); pParent: the parent window (the command passes none). Every field starts at 0.
    explicit CCameraFreeMoveDialog(CMorrowView* pView, QWidget* pParent = nullptr);
    ~CCameraFreeMoveDialog() override;

    CMorrowView* m_pView;
    double m_dWValue;
    double m_dPosX;
    double m_dRotX;
    double m_dPosY;
    double m_dRotY;
    double m_dPosZ;
    double m_dRotZ;
    int m_nZone;
    int m_nXValue;
    int m_nYValue;

    // HINT: reads the fields, classifies the position against the source camera and shows W,
    // zone and rounded epipole. Without a source image it says so and changes nothing; a field
    // that fails validation stops it with nothing changed.
    void OnHint();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCommand(int nId) override;
};

// The modal dialog of Focus Camera Move: a zoom factor and three rotation angles (degrees) that
// turn the centre of projection about the centre of the scene bounds, with a Hint button that
// shows, before any warp, the zone, the W value and the rounded epipole of the move.
#pragma once

#include "platform/DialogTemplate.h"

class CMorrowView;

class CFocusCameraMoveDialog : public CTemplateDialog {
    Q_OBJECT
public:
    enum { IDD = 131 };
    enum {
        IDC_HINT = 1007,
        IDC_W_VALUE = 1009,
        IDC_X_VALUE = 1010,
        IDC_ZOOM = 1011,
        IDC_ROT_X = 1012,
        IDC_ROT_Y = 1013,
        IDC_ROT_Z = 1014,
        IDC_Y_VALUE = 1016,
        IDC_ZONE = 1018,
    };

    // pView: the view that opens the dialog; pParent: the parent window (the command passes
    // none). Every field starts at 0, the zoom included.
    explicit CFocusCameraMoveDialog(CMorrowView* pView, QWidget* pParent = nullptr);
    ~CFocusCameraMoveDialog() override;

    CMorrowView* m_pView;
    double m_dZoom;
    double m_dRotX;
    double m_dRotY;
    double m_dRotZ;
    double m_dWValue;
    int m_nXValue;
    int m_nYValue;
    int m_nZone;

    // Hint: reads the fields, computes the focus move's new centre of projection and shows its
    // W, zone and rounded epipole. Without a source image it says so and changes nothing; a
    // field that fails validation stops it with nothing changed.
    void OnHint();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCommand(int nId) override;
};

// The frame's status bar: a message pane that falls back to the idle text ("Ready") whenever
// no prompt is shown, then key-indicator panes that show their text while the lock is on.
#pragma once

#include <QList>
#include <QStatusBar>
#include <QString>

class QLabel;
class QTimer;

// The lock keys as the window system reports them. False when it cannot tell.
struct KeyLockState {
    bool bCaps = false;
    bool bNum = false;
    bool bScroll = false;
};
bool QueryKeyLockState(KeyLockState* pState);

class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    struct Pane {
        int nID;         // 0: the message pane; ID_INDICATOR_CAPS / _NUM / _SCRL: indicators
        QString strText; // idle text of the message pane, or the indicator's text
    };

    explicit CStatusBar(QWidget* pParent = nullptr);

    // Sets the panes, the message pane first. Returns false for an empty list or one that does
    // not start with the message pane.
    bool SetIndicators(const QList<Pane>& panes);

    // The text of the pane with id nID as shown now ("" while its lock is off).
    QString GetPaneText(int nID) const;
    const QString& GetIdleMessage() const { return m_strIdle; }

    // Reads the lock keys and shows or blanks the indicators.
    void UpdateIndicators();

private:
    QString m_strIdle;
    QList<QPair<int, QLabel*>> m_Indicators;
    QList<QString> m_IndicatorTexts;
    QTimer* m_pTimer;
};

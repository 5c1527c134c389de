#include "platform/StatusBar.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

#include "platform/StdIds.h"

#ifdef MORROW_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

bool QueryKeyLockState(KeyLockState* pState) {
    *pState = KeyLockState();
#ifdef MORROW_HAVE_XKB
    auto* pX11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay)
        return false;
    unsigned int nState = 0;
    if (XkbGetIndicatorState(pDisplay, XkbUseCoreKbd, &nState) != Success)
        return false;
    // The usual X keyboard maps put Caps Lock, Num Lock and Scroll Lock on the first three
    // indicators; look the names up so that other maps work too.
    auto bitOf = [pDisplay](const char* pszName, int nFallback) {
        const Atom atom = XInternAtom(pDisplay, pszName, True);
        int nIndex = -1;
        Bool bOn = False;
        if (atom != None && XkbGetNamedIndicator(pDisplay, atom, &nIndex, &bOn, nullptr, nullptr) &&
            nIndex >= 0)
            return nIndex;
        return nFallback;
    };
    pState->bCaps = (nState >> bitOf("Caps Lock", 0)) & 1u;
    pState->bNum = (nState >> bitOf("Num Lock", 1)) & 1u;
    pState->bScroll = (nState >> bitOf("Scroll Lock", 2)) & 1u;
    return true;
#else
    return false;
#endif
}

CStatusBar::CStatusBar(QWidget* pParent) : QStatusBar(pParent), m_pTimer(new QTimer(this)) {
    setSizeGripEnabled(true);
    // The message pane never stays empty: when a prompt goes, the idle text comes back.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& strText) {
        if (strText.isEmpty() && !m_strIdle.isEmpty())
            showMessage(m_strIdle);
    });
    // The window system sends no event when a lock key changes while another program has the
    // focus, so the indicators are polled.
    m_pTimer->setInterval(250);
    connect(m_pTimer, &QTimer::timeout, this, &CStatusBar::UpdateIndicators);
}

bool CStatusBar::SetIndicators(const QList<Pane>& panes) {
    if (panes.isEmpty() || panes.first().nID != 0)
        return false;
    for (auto& indicator : m_Indicators)
        delete indicator.second;
    m_Indicators.clear();
    m_IndicatorTexts.clear();
    m_strIdle = panes.first().strText;
    for (int i = 1; i < panes.size(); ++i) {
        QLabel* pLabel = new QLabel(this);
        pLabel->setObjectName(QString::number(panes[i].nID));
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // Wide enough for the text, so that the bar does not jump when a lock changes.
        const int nWidth = QFontMetrics(pLabel->font()).horizontalAdvance(panes[i].strText) + 12;
        pLabel->setMinimumWidth(nWidth);
        addPermanentWidget(pLabel);
        m_Indicators.append(qMakePair(panes[i].nID, pLabel));
        m_IndicatorTexts.append(panes[i].strText);
    }
    showMessage(m_strIdle);
    UpdateIndicators();
    m_pTimer->start();
    return true;
}

QString CStatusBar::GetPaneText(int nID) const {
    if (nID == 0)
        return currentMessage();
    for (const auto& indicator : m_Indicators) {
        if (indicator.first == nID)
            return indicator.second->text();
    }
    return QString();
}

void CStatusBar::UpdateIndicators() {
    KeyLockState state;
    QueryKeyLockState(&state);
    for (int i = 0; i < m_Indicators.size(); ++i) {
        bool bOn = false;
        switch (m_Indicators[i].first) {
        case ID_INDICATOR_CAPS:
            bOn = state.bCaps;
            break;
        case ID_INDICATOR_NUM:
            bOn = state.bNum;
            break;
        case ID_INDICATOR_SCRL:
            bOn = state.bScroll;
            break;
        default:
            break;
        }
        const QString strText = bOn ? m_IndicatorTexts[i] : QString();
        if (m_Indicators[i].second->text() != strText)
            m_Indicators[i].second->setText(strText);
    }
}

#include "platform/QtSinks.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "framework/Services.h"

namespace {

void ShowBoxOnGuiThread(const std::string& strText) {
    QWidget* pParent = QApplication::activeModalWidget();
    if (!pParent)
        pParent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                    QString::fromStdString(strText), QMessageBox::Ok, pParent);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

void QtMessageSink(const std::string& strText) {
    QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp || !qobject_cast<QApplication*>(pApp)) {
        std::fprintf(stderr, "%s\n", strText.c_str());
        return;
    }
    if (QThread::currentThread() == pApp->thread()) {
        ShowBoxOnGuiThread(strText);
        return;
    }
    // A worker thread waits until the user has dismissed the box on the GUI thread.
    QMetaObject::invokeMethod(
        pApp, [strText]() { ShowBoxOnGuiThread(strText); }, Qt::BlockingQueuedConnection);
}

void StderrTraceSink(const std::string& strLine) {
    const std::string strOut = TraceLineForStderr(strLine);
    std::fwrite(strOut.data(), 1, strOut.size(), stderr);
}

} // namespace

std::string TraceLineForStderr(const std::string& strLine) {
    std::string strOut = strLine;
    if (strOut.size() >= 2 && strOut.compare(strOut.size() - 2, 2, "\r\n") == 0)
        strOut.erase(strOut.size() - 2, 1);
    if (strOut.empty() || strOut.back() != '\n')
        strOut.push_back('\n');
    return strOut;
}

void InstallQtSinks() {
    SetMessageSink(QtMessageSink);
    const char* pszTrace = std::getenv("MORROW_TRACE");
    if (pszTrace && *pszTrace)
        SetTraceSink(StderrTraceSink);
    else
        SetTraceSink(TraceSink());
}

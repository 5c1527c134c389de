// The Qt side of the framework: the message-box and trace sinks, the file dialog's default
// extension and the recent-file list.
#include <QtTest>

#include <thread>

#include <QAbstractButton>
#include <QMessageBox>
#include <QSettings>

#include "TestSupport.h"
#include "framework/Services.h"
#include "platform/FileDialog.h"
#include "platform/QtSinks.h"
#include "platform/RecentFileList.h"

class CPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void traceLinesEndInOneNewline_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("written");
        QTest::newRow("CR LF") << "SwapBuffers Failed! 0\r\n"
                               << "SwapBuffers Failed! 0\n";
        QTest::newRow("LF") << "Failed to create toolbar\n"
                            << "Failed to create toolbar\n";
        QTest::newRow("none") << "can't open datafile x!"
                              << "can't open datafile x!\n";
        QTest::newRow("empty") << ""
                               << "\n";
    }
    void traceLinesEndInOneNewline() {
        QFETCH(QString, line);
        QFETCH(QString, written);
        QCOMPARE(QString::fromStdString(TraceLineForStderr(line.toStdString())), written);
    }

    // A message box raised on a worker thread is shown by the GUI thread, and the worker
    // waits until the user has dismissed it.
    void messageBoxFromAWorkerThreadWaitsForTheUser() {
        MessageSink oldMessage = SetMessageSink(MessageSink());
        TraceSink oldTrace = SetTraceSink(TraceSink());
        InstallQtSinks();
        std::atomic<bool> bReturned{false};
        std::thread worker([&]() {
            ShowMessageBox("Too TINY");
            bReturned = true;
        });
        // The box runs its own event loop on this thread; a timer inside it plays the user.
        QString strText;
        int nButtons = 0;
        bool bWaitedForUser = false;
        QTimer user;
        user.setInterval(20);
        connect(&user, &QTimer::timeout, [&]() {
            QMessageBox* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!pBox)
                return;
            user.stop();
            strText = pBox->text();
            nButtons = int(pBox->buttons().size());
            bWaitedForUser = !bReturned;
            pBox->button(QMessageBox::Ok)->click();
        });
        user.start();
        QTRY_VERIFY_WITH_TIMEOUT(bReturned, 10000);
        QCOMPARE(strText, QStringLiteral("Too TINY"));
        QCOMPARE(nButtons, 1);
        QVERIFY(bWaitedForUser);
        worker.join();
        QVERIFY(bReturned);
        SetMessageSink(oldMessage);
        SetTraceSink(oldTrace);
    }

    void defaultExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("result");
        QTest::newRow("appended") << "/tmp/out"
                                  << "bmp"
                                  << "/tmp/out.bmp";
        QTest::newRow("kept") << "/tmp/out.BMP"
                              << "bmp"
                              << "/tmp/out.BMP";
        QTest::newRow("dot in a folder only") << "/tmp/a.d/out"
                                              << "bmp"
                                              << "/tmp/a.d/out.bmp";
        QTest::newRow("no default") << "/tmp/out"
                                    << ""
                                    << "/tmp/out";
    }
    void defaultExtension() {
        QFETCH(QString, path);
        QFETCH(QString, ext);
        QFETCH(QString, result);
        QCOMPARE(CFileDialog::ApplyDefaultExtension(path, ext), result);
        // The hook (a test's stand-in for the user) gets the same treatment in save dialogs.
        CFileDialog::Hook old = CFileDialog::SetHook(
            [path](const CFileDialog&) -> std::optional<QString> { return path; });
        CFileDialog save(false, ext, QString(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QVERIFY(save.DoModal());
        QCOMPARE(save.GetPathName(), result);
        CFileDialog open(true, ext);
        QVERIFY(open.DoModal());
        QCOMPARE(open.GetPathName(), path);
        CFileDialog::SetHook(old);
    }

    void recentFileList() {
        CScratchDir scratch;
        const QString strIni = QString::fromStdString(scratch.File("settings.ini"));
        CRecentFileList list(4);
        for (const char* pszName : {"/a/1", "/a/2", "/a/3", "/a/1", "/a/4", "/a/5"})
            list.Add(pszName);
        QCOMPARE(list.GetEntries(), (QStringList{"/a/5", "/a/4", "/a/1", "/a/3"}));
        QCOMPARE(list.GetDisplayName(0), QStringLiteral("&1 /a/5"));
        {
            QSettings settings(strIni, QSettings::IniFormat);
            list.WriteList(settings);
        }
        CRecentFileList again(4);
        QSettings settings(strIni, QSettings::IniFormat);
        QCOMPARE(settings.value("Recent File List/File1").toString(), QStringLiteral("/a/5"));
        again.ReadList(settings);
        QCOMPARE(again.GetEntries(), list.GetEntries());
        // Removing shrinks the stored list too.
        again.Remove(0);
        again.WriteList(settings);
        QVERIFY(!settings.contains("Recent File List/File4"));
        CRecentFileList list2(4);
        list2.ReadList(settings);
        QCOMPARE(list2.GetEntries(), (QStringList{"/a/4", "/a/1", "/a/3"}));
    }
};

QTEST_MAIN(CPlatformTest)
#include "PlatformTest.moc"

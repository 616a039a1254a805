// The main window's own life: the lock, the one-exchange rule, the way out of a stuck
// exchange, internal parameters, the closing record, closing during a download.
#include "MainRig.h"
#include "support/Files.h"
#include "support/Typing.h"
#include "ui/FieldEdit.h"
#include "windows/main/DownloadPage.h"
#include "windows/main/FileArea.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

// Buttons that stay usable during an exchange: none of them talks to the logger.
const QStringList kUsableDuringExchange = {"cmdInterrompi", "optTutti0", "optTutti1", "TipoF0",
                                           "TipoF1"};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void everyLockedControlIsOffDuringAnExchange();
    void aClickDuringAWaitStartsNothing();
    void restoreEndsTheWholeHandler_data();
    void restoreEndsTheWholeHandler();
    void closingRecord_data();
    void closingRecord();
    void closingRecordAtTheRoot();
    void closingDuringADownloadAsksFirst();
};

void MainWindowTest::everyLockedControlIsOffDuringAnExchange()
{
    // Any button of the window that could start an exchange is off.
    MainRig rig;
    QStringList enabledDuringWait;
    int waits = 0;
    rig.clock.setOnWaitStep([&] {
        ++waits;
        for (auto* w : rig.window.findChildren<QAbstractButton*>()) {
            const QString name = w->objectName();
            // Qt's own buttons (tab scrolling, menu extension) and other windows' aside.
            if (w->window() != &rig.window || name.startsWith(QLatin1String("qt_")) ||
                name.startsWith(QLatin1String("Scroll")))
                continue;
            if (w->isEnabled() && !kUsableDuringExchange.contains(name) &&
                !enabledDuringWait.contains(name))
                enabledDuringWait << name;
        }
    });
    rig.click("leggi_nome");
    rig.clock.setOnWaitStep({});
    QVERIFY(waits > 0);
    QVERIFY2(enabledDuringWait.isEmpty(), qPrintable(enabledDuringWait.join(u' ')));
    for (const auto& control : rig.window.lock().controls())
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    QCOMPARE(rig.window.Nome_Centralina()->text(), QStringLiteral("SITE1"));
}

void MainWindowTest::aClickDuringAWaitStartsNothing()
{
    MainRig rig;
    bool tried = false;
    rig.clock.setOnWaitStep([&] {
        if (tried)
            return;
        tried = true;
        // Handlers reached while the internal parameters are awaited: none may send.
        rig.window.nameClock().leggi_nome();
        rig.window.schedule().switchAcquisitions(false);
        rig.window.memory().Aggiorna_acq();
        rig.window.ReadSt();
    });
    rig.window.status().Status();
    rig.clock.setOnWaitStep({});
    QVERIFY(tried);
    QCOMPARE(rig.sent(), QStringList{"W"});
    QVERIFY(rig.logger.acquiring());
    QVERIFY(!rig.window.lock().locked());
}

void MainWindowTest::restoreEndsTheWholeHandler_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("wire"); // all that goes out, RESTORE picked at the first wait
    // clang-format off
    QTest::newRow("internal parameters") << "Status" << QStringList{"W"};
    // Handlers that run others: none of the inner ones starts after RESTORE.
    QTest::newRow("reset and its read-back") << "Resetta" << QStringList{"z", "H0,"};
    QTest::newRow("channel write and its refresh") << "Scrivicanali" << QStringList{"b,", "h0, 4,", "h1, 0,", "H 0,"};
    // clang-format on
}

void MainWindowTest::restoreEndsTheWholeHandler()
{
    QFETCH(QString, button);
    QFETCH(QStringList, wire);
    MainRig rig;
    test::type(rig.window.channels().MUX(0), QStringLiteral("4"));
    test::type(rig.window.channels().MUX(1), QStringLiteral("0"));
    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.logger.setSilentFrom(1);
    const auto start = rig.clock.now();
    bool picked = false;
    rig.clock.setOnWaitStep([&] {
        if (!std::exchange(picked, true))
            rig.window.findChild<QAction*>("RIPRISTINA_DA_ERRORI")->trigger();
    });
    rig.click(button);
    rig.clock.setOnWaitStep({});
    QVERIFY(rig.clock.now() - start < seconds(10));
    QCOMPARE(rig.sent(), wire);
    QVERIFY(!rig.window.lock().locked() && rig.find(button)->isEnabled());
    // A cancel is not the logger's silence; no verdict follows on answers never read ("No
    // active channels on MUX 0!").
    QVERIFY(rig.window.statusBar()->currentMessage().isEmpty());
    QCOMPARE(rig.prompter.shown.size(), button == "Status" ? 0 : 1);

    // The next exchange is a normal one again.
    rig.logger.setSilentFrom(1000);
    rig.click("leggi_nome");
    QCOMPARE(rig.window.Nome_Centralina()->text(), QStringLiteral("SITE1"));
}

void MainWindowTest::closingRecord_data()
{
    QTest::addColumn<bool>("acquiring");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("acquisitions on") << true << QStringList{"d0,0,0,0,0,"};
    QTest::newRow("acquisitions off") << false << QStringList{};
}

void MainWindowTest::closingRecord()
{
    QFETCH(bool, acquiring);
    QFETCH(QStringList, sent);
    MainRig rig;
    QTemporaryDir dir;
    rig.window.fileArea()->setFolder(dir.path());
    rig.window.Nome_File_Dati()->setText(QStringLiteral("SITE1_05_07_25_VW.txt"));
    rig.window.Nome_Centralina()->setText(QStringLiteral("SITE1"));
    rig.find<QLineEdit>("Acq_possibili")->setText(QStringLiteral(" 5000"));
    rig.find<QLineEdit>("acq_disponibili")->setText(QStringLiteral(" 4990"));
    rig.find<QLineEdit>("conversione0")->setText(QStringLiteral("001"));
    rig.find<QLineEdit>("conversione1")->setText(QStringLiteral("030"));
    rig.find<QLineEdit>("conversione2")->setText(QStringLiteral("000"));
    rig.find<QLineEdit>("preaccensione")->setText(QStringLiteral("00250"));
    rig.window.data_logging()->setChecked(acquiring);
    QSignalSpy finished(&rig.window, &MainWindow::finished);
    const auto start = rig.clock.now();

    rig.window.show();
    QVERIFY(rig.window.close());
    QCOMPARE(finished.count(), 1);
    QVERIFY(rig.clock.now() - start >= seconds(1));
    QCOMPARE(rig.sent(), sent);
    QVERIFY(!rig.channel.isOpen());

    const QString record = dir.filePath(QStringLiteral("LOGOUT_SITE1_05_07_25_VW.txt"));
    QCOMPARE(test::readBytes(record), QByteArray("ID BRANTELWICK: SITE1\r\n"
                                                 "PO ACQUISITION:  5000\r\n"
                                                 "AV ACQUISITION:  4990\r\n"
                                                 "ACQ HOURS     : 001\r\n"
                                                 "ACQ MINUTES   : 030\r\n"
                                                 "ACQ SECONDS   : 000\r\n"
                                                 "PRE-HEATING   : 00250\r\n"));
    QCOMPARE(rig.session.FileIni, record);
}

void MainWindowTest::closingRecordAtTheRoot()
{
#ifdef Q_OS_WIN
    QCOMPARE(closingRecordPath("C:\\", "a.txt"), QStringLiteral("C:\\LOGOUT_a.txt"));
    QCOMPARE(closingRecordPath("C:\\data", "a.txt"), QStringLiteral("C:\\data\\LOGOUT_a.txt"));
#else
    QCOMPARE(closingRecordPath("/", "a.txt"), QStringLiteral("/LOGOUT_a.txt"));
    QCOMPARE(closingRecordPath("/data", "a.txt"), QStringLiteral("/data/LOGOUT_a.txt"));
    QCOMPARE(closingRecordPath("/data/", ""), QStringLiteral("/data/LOGOUT_"));
#endif
    // A name typed with folders in it stays in the folder, as a data file's name does.
    const QString escaped = closingRecordPath(QDir::tempPath(), "../../etc/x");
    QCOMPARE(QFileInfo(escaped).absolutePath(), QDir(QDir::tempPath()).absolutePath());
    QCOMPARE(QFileInfo(escaped).fileName(), QStringLiteral("LOGOUT_______etc_x"));
}

void MainWindowTest::closingDuringADownloadAsksFirst()
{
    MainRig rig;
    QTemporaryDir dir;
    rig.window.fileArea()->setFolder(dir.path());
    rig.window.Nome_Centralina()->setText(QStringLiteral("SITE1"));
    QStringList held; // a memory that takes seconds on the line
    for (int i = 200; i > 0; --i)
        held << rig.logger.acquisitionLine(test::rigWallClock().addSecs(-600 * i));
    rig.logger.setAcquiring(false, rig.now());
    rig.logger.setMemoryLines(held);
    rig.logger.setPace(sim::Pace::Baud9600);
    QSignalSpy finished(&rig.window, &MainWindow::finished);
    rig.window.show();
    // "No" goes on downloading; a second close, answered "Yes", stops it and closes.
    rig.prompter.answerNext(PromptAnswer::No);
    rig.prompter.answerNext(PromptAnswer::Yes);
    int closes = 0;
    const auto start = rig.clock.now();
    rig.clock.setOnWaitStep([&] {
        if (rig.window.download().downloading() && closes < 2 &&
            rig.clock.now() - start > seconds(2 + 2 * closes)) {
            ++closes;
            rig.window.close();
        }
    });
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});
    QCOMPARE(closes, 2);
    QCOMPARE(rig.prompter.shown[0].defaultAnswer, PromptAnswer::No);
    QVERIFY(rig.prompter.shown[2].text.startsWith(QStringLiteral("Download stopped.")));
    QTRY_COMPARE(finished.count(), 1);
    // What came is kept as a partial file, which the closing record names.
    const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 2);
    QVERIFY(files[1].endsWith("_SENS.partial.txt") && files[0] == "LOGOUT_" + files[1]);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"

// The modem window on the emulated modem and its stations: the station list, finding the
// modem, dialling, the connection and what follows it in the main window, Retry, Stop and a
// line that drops.
#include "ModemRig.h"
#include "download/DownloadPage.h"
#include "windows/main/FieldEdit.h"
#include "windows/main/FileArea.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

using namespace korvelan;
using namespace korvelan::test;
using namespace std::chrono;

class ModemWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndSelection();
    void openingLoadsTheListAndProbesTheModem();
    void probeTakesMoreThanEightCharacters_data();
    void probeTakesMoreThanEightCharacters();
    void findModemMovesOnByOnePort();
    void keyInThePortBoxTestsThePort();
    void dialStrings_data();
    void dialStrings();
    void modemReplies_data();
    void modemReplies();
    void connectionFillsTheMainWindow();
    void retryReadsCountedBlocks();
    void retryGivesUpOnASilentLogger();
    void stopEndsADialThatDoesNotConnect();
    void closingHangsUpAndShowsTheConnectionWindow();
    void droppedLineEndsLikeALostCable();
};

void ModemWindowTest::layoutAndSelection()
{
    ModemRig rig;
    rig.open();
    QCOMPARE(rig.window.windowTitle(), "GSM CONNECTION");
    QCOMPARE(rig.window.text1(), "Modem Window");
    QCOMPARE(rig.timer()->interval(), 24 * 3600 * 1000); // the rig's; the window's is below
    QCOMPARE(ModemWindow::kPollInterval, 2000);
    QVERIFY(!rig.timer()->isActive());
    const QStringList pages{"1-10", "11-20", "21-30", "31-40", "41-50", "51-60", "61-70"};
    for (int k = 0; k < 7; ++k) {
        QCOMPARE(rig.find<QRadioButton>(QStringLiteral("Primi10%1").arg(k))->text(), pages[k]);
        QCOMPARE(rig.find<QGroupBox>(QStringLiteral("Centraline%1").arg(k))->title(), "Datalogger");
        QCOMPARE(rig.find<QGroupBox>(QStringLiteral("Centraline%1").arg(k))->isVisible(), k == 0);
    }
    QVERIFY(rig.field("Uldata", 69) && rig.find(QStringLiteral("Sel69")));
    const QHash<QString, bool> enabled{{"CERCAMODEM", true},  {"Salva", true},
                                       {"Interrompi", false}, {"Connetti", false},
                                       {"Riprova", false},    {"Scarica_Vai", true}};
    for (auto it = enabled.begin(); it != enabled.end(); ++it)
        QCOMPARE(rig.find<QPushButton>(it.key())->isEnabled(), it.value());
    QVERIFY(!rig.connection.isEnabled()); // no cable connection meanwhile

    rig.find<QRadioButton>(QStringLiteral("Primi102"))->click();
    QVERIFY(rig.find(QStringLiteral("Centraline2"))->isVisible());
    QVERIFY(!rig.find(QStringLiteral("Centraline0"))->isVisible());
    rig.find<QRadioButton>(QStringLiteral("Sel25"))->click();
    QCOMPARE(rig.window.selectedRow(), 25);
    for (int i = 0; i < kStations; ++i) {
        for (const char* column : {"Nome", "Telefono", "Scadenza", "Uldata"})
            QCOMPARE(background(rig.field(column, i)),
                     i == 25 ? ModemWindow::kSelectedRow : ModemWindow::kRow);
    }
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Connetti"))->isEnabled());
}

void ModemWindowTest::openingLoadsTheListAndProbesTheModem()
{
    ModemRig rig;
    // First use: the list is made, empty, and no port is tried.
    rig.open();
    QVERIFY(QFile::exists(rig.files.modemPath()));
    QVERIFY(rig.modem.commandLines().isEmpty());
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("SERMODEM"))->text(), "");

    rig.writeStations();
    rig.field("Nome", 3)->setText("edited, not saved");
    rig.window.close();
    rig.open();
    QCOMPARE(rig.field("Nome", 3)->text(), "STATION1");
    QCOMPARE(rig.field("Telefono", 3)->text(), ModemRig::kStation1);
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("SERMODEM"))->text(), "2");
    QCOMPARE(rig.modem.commandLines(), QStringList({"ATE0", "ATI3"}));
    QCOMPARE(rig.window.text1(), "Modem found on Com 2\r\nKORVELAN GSM MODEM 1.0\r\n\r\nOK\r\n\r");
    QCOMPARE(rig.session.PortaSalvata, int16_t(2));
    QVERIFY(rig.channel.isOpen());
}

void ModemWindowTest::probeTakesMoreThanEightCharacters_data()
{
    QTest::addColumn<QByteArray>("identification");
    QTest::addColumn<bool>("found");
    QTest::newRow("eight") << QByteArray("12345678") << false;
    QTest::newRow("nine") << QByteArray("123456789") << true;
}

void ModemWindowTest::probeTakesMoreThanEightCharacters()
{
    QFETCH(QByteArray, identification);
    QFETCH(bool, found);
    ModemRig rig(true, identification);
    rig.writeStations(7);
    rig.open();
    rig.find<QLineEdit>(QStringLiteral("SERMODEM"))->setText("2");
    QCOMPARE(rig.device.received(), "ATE0\rATI3\r");
    QCOMPARE(rig.window.text1(), found ? "Modem found on Com 2" + identification + "\r"
                                       : "Modem not found on selected port");
    QCOMPARE(ModemRig::contents(rig.files.portPath()), found ? " 2 \r\n" : " 7 \r\n");
}

void ModemWindowTest::findModemMovesOnByOnePort()
{
    ModemRig rig;
    rig.port.setExistingPorts({QStringLiteral("COM4")});
    rig.writeStations(3);
    rig.open();
    QCOMPARE(rig.window.text1(), "Modem not found on selected port");

    rig.shown.clear();
    rig.find<QPushButton>(QStringLiteral("CERCAMODEM"))->click();
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("SERMODEM"))->text(), " 4");
    // Once by the button, once by the change of the port box.
    QCOMPARE(rig.modem.commandLines(), QStringList({"ATE0", "ATI3", "ATE0", "ATI3"}));
    QCOMPARE(rig.shown.first(), "Looking for modem...");
    QVERIFY(rig.window.text1().startsWith("Modem found on Com 4\r\nKORVELAN GSM MODEM"));
    QCOMPARE(ModemRig::contents(rig.files.portPath()), " 4 \r\n");

    rig.find<QPushButton>(QStringLiteral("CERCAMODEM"))->click();
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("SERMODEM"))->text(), " 5");
    QCOMPARE(rig.window.text1(), "Modem not found on selected port");
    QCOMPARE(ModemRig::contents(rig.files.portPath()), " 4 \r\n");
}

void ModemWindowTest::keyInThePortBoxTestsThePort()
{
    ModemRig rig;
    rig.open();
    auto* box = rig.find<QLineEdit>(QStringLiteral("SERMODEM"));
    // The key is tested on the port the box held (none), then the new text is probed.
    QTest::keyClick(box, Qt::Key_2);
    QCOMPARE(rig.shown.mid(1, 1), QStringList{"MODEM NOT FOUND"});
    QVERIFY(rig.window.text1().startsWith("Modem found on Com 2"));
    // With the port open the test runs there, and closes it.
    rig.shown.clear();
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(rig.shown, QStringList({"MODEM READY", "Modem not found on selected port"}));
    QVERIFY(rig.modem.commandLines().contains("AT"));
}

void ModemWindowTest::dialStrings_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("dialPause");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("polling");
    QTest::newRow("Connect") << "0212345" << false << QByteArray("atx0\rATD0212345\r") << true;
    QTest::newRow("Download and Go")
        << "0212345" << true << QByteArray("atx0\rATD0,212345\r") << true;
    QTest::newRow("no number") << "" << true << QByteArray("atx0\r") << false;
}

void ModemWindowTest::dialStrings()
{
    QFETCH(QString, number);
    QFETCH(bool, dialPause);
    QFETCH(QByteArray, sent);
    QFETCH(bool, polling);
    ModemRig rig;
    rig.openWithStations();
    const QByteArray before = rig.modem.trace().toDevice();
    rig.window.Sel(6);
    rig.field("Telefono", 6)->setText(number);
    const TimePoint start = rig.clock.now();
    rig.find<QPushButton>(dialPause ? "Scarica_Vai" : "Connetti")->click();
    QCOMPARE(rig.modem.trace().toDevice().mid(before.size()), sent);
    QVERIFY(rig.clock.now() - start >= milliseconds(1000));
    QCOMPARE(rig.timer()->isActive(), polling);
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Interrompi"))->isEnabled());
    if (!polling)
        QCOMPARE(rig.window.text1(), "No telephone number for this station");
}

void ModemWindowTest::modemReplies_data()
{
    QTest::addColumn<QString>("previous"); // the end of the reply before
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("connected");
    QTest::newRow("connect") << ""
                             << "\r\nCONNECT 9600\r\n"
                             << "CONNECT 9600\r\n"
                             << true;
    QTest::newRow("no carrier") << ""
                                << "\r\nNO CARRIER\r\n"
                                << "NO CARRIER\r\n"
                                << false;
    QTest::newRow("busy") << ""
                          << "\r\nBUSY\r\n"
                          << "BUSY\r\n"
                          << false;
    QTest::newRow("one character") << ""
                                   << "\r"
                                   << "" << false;
    // "atx0" answered and the call up within the same two seconds.
    QTest::newRow("after OK") << ""
                              << "\r\nOK\r\n\r\nCONNECT 9600\r\n"
                              << "OK\r\n\r\nCONNECT 9600\r\n"
                              << true;
    QTest::newRow("dropped again") << ""
                                   << "\r\nCONNECT 9600\r\n\r\nNO CARRIER\r\n"
                                   << "CONNECT 9600\r\n\r\nNO CARRIER\r\n"
                                   << false;
    QTest::newRow("split between two polls") << "\r\nCONN"
                                             << "ECT 9600\r\n"
                                             << "T 9600\r\n"
                                             << true;
}

void ModemWindowTest::modemReplies()
{
    QFETCH(QString, previous);
    QFETCH(QString, reply);
    QFETCH(QString, shown);
    QFETCH(bool, connected);
    QString tail;
    (void)readModemReply(previous, &tail);
    const ModemReply read = readModemReply(reply, &tail);
    QCOMPARE(read.shown, shown);
    QCOMPARE(read.connected, connected);
}

void ModemWindowTest::connectionFillsTheMainWindow()
{
    ModemRig rig;
    rig.openWithStations();
    int gprsReads = 0;
    rig.window.startup().setGprsRead([&] { ++gprsReads; });
    QByteArray lastWhenReading;
    QObject::connect(&rig.window, &ModemWindow::shown, [&](const QString& text) {
        if (text == "Retrieving internal settings..")
            lastWhenReading = ModemRig::contents(rig.files.lastPath());
    });
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pollUntilDone();

    // "atx0" answered, the call, then the sequence.
    QCOMPARE(rig.shown,
             QStringList({"OK\r\n", "CONNECT 9600\r\n", "VELT GSM CONNECTED",
                          "Retrieving internal settings..", "Sensors: OK", "Internal Date/Time: OK",
                          "Timer: OK", "Pre-heating: OK", "Internal parameters: OK", "Memory: OK",
                          "GPRS: OK", "Datalogger ID: OK", "Datalogger Model: OK",
                          "Events counter: OK", "Acquisition enabling: OK"}));
    QCOMPARE(gprsReads, 1);
    QCOMPARE(rig.sentTo(rig.station1), QStringList({"H 0,", "H 1,", "H 2,", "H 3,", "G,", "C,",
                                                    "E,", "W", "H0,", "M,", "Q", "D,", "U", "O"}));
    // The date is in the list before anything is read.
    QCOMPARE(lastWhenReading.split('\n').at(3), "05/12/2026\r");
    QCOMPARE(rig.field("Uldata", 3)->text(), "05/12/2026");
    QVERIFY(!rig.window.isVisible() && !rig.connection.isVisible() && rig.main.isVisible());
    QVERIFY(!rig.timer()->isActive());
    QCOMPARE(rig.main.windowTitle(), "KORVELAN - MODEM");
    QCOMPARE(rig.main.Nome_Centralina()->text().trimmed(), "STATION1");
    QCOMPARE(rig.main.Nome_File_Dati()->text(), "STATION1_05_12_26_VW.txt");
    QCOMPARE(background(rig.main.Nome_File_Dati()), QColor(255, 255, 0));
    QVERIFY(!rig.find<QWidget>(QStringLiteral("Frame2"))->isHidden()); // model 0
    QCOMPARE(rig.session.Porta, int16_t(2));
    QVERIFY(rig.channel.watching());
}

void ModemWindowTest::retryReadsCountedBlocks()
{
    ModemRig rig;
    rig.openWithStations();
    rig.station1.setTimer({0, 30, 0}, rig.clock.now());
    rig.station1.setAcquiring(true, rig.clock.now());
    rig.dialAndWaitForTheCall(3);
    rig.shown.clear();
    rig.window.Riprova();

    QCOMPARE(rig.sentTo(rig.station1), QStringList({"G", "C", "E", "H", "H", "Q", "N", "M", "T"}));
    for (const auto& c : rig.station1.commands())
        QVERIFY(c.bare);
    QCOMPARE(rig.shown.first(), "Retrying...");
    const auto text = [&](FieldEdit* f) { return f->text(); };
    auto& clock = rig.main.nameClock();
    QCOMPARE(QStringList({text(clock.data(0)), text(clock.data(1)), text(clock.data(2))}),
             QStringList({"05", "12", "2026"}));
    auto& schedule = rig.main.schedule();
    QCOMPARE(QStringList({text(schedule.conversione(0)), text(schedule.conversione(1)),
                          text(schedule.conversione(2))}),
             QStringList({"0", "30", "0"}));
    QCOMPARE(text(schedule.preaccensione()), "00250");
    QCOMPARE(text(rig.main.Nome_Centralina()), "STATI");
    const QDateTime next = rig.station1.nextAcquisition();
    QCOMPARE(text(schedule.Prox(2)), QString::number(next.date().year()));
    QCOMPARE(text(schedule.Prox(3)), next.toString("hh"));
    QVERIFY(schedule.Prox(0)->parentWidget()->isVisibleTo(&rig.main));
    QVERIFY(rig.main.isVisible() && !rig.window.isVisible() && !rig.connection.isVisible());
}

void ModemWindowTest::retryGivesUpOnASilentLogger()
{
    ModemRig rig;
    rig.openWithStations();
    rig.dialAndWaitForTheCall(4);
    const TimePoint start = rig.clock.now();
    rig.window.Riprova();
    const auto took = rig.clock.now() - start;
    QVERIFY(took >= seconds(127) && took < seconds(130));
    QCOMPARE(rig.window.text1(), "No answer from the datalogger: Retry stopped.");
    QVERIFY(rig.window.isVisible() && !rig.main.isVisible());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("CERCAMODEM"))->isEnabled());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Interrompi"))->isEnabled());
}

void ModemWindowTest::stopEndsADialThatDoesNotConnect()
{
    ModemRig rig;
    rig.openWithStations();
    rig.window.Sel(5);
    rig.window.Connetti();
    rig.poll();
    rig.poll();
    // A busy line is shown, and the poll goes on.
    QCOMPARE(rig.window.lastReply(), "\r\nBUSY\r\n");
    QCOMPARE(rig.window.text1(), "BUSY\r\n");
    rig.poll();
    QVERIFY(rig.timer()->isActive());

    const QByteArray before = rig.modem.trace().toDevice();
    const TimePoint start = rig.clock.now();
    rig.find<QPushButton>(QStringLiteral("Interrompi"))->click();
    QVERIFY(rig.clock.now() - start >= seconds(5));
    QCOMPARE(rig.modem.trace().toDevice().mid(before.size()), "+++ATH\r");
    // One more poll shows the modem's answer; then the poll stops.
    QVERIFY(rig.timer()->isActive());
    rig.poll();
    QCOMPARE(rig.window.text1(), "OK\r\n");
    QVERIFY(!rig.timer()->isActive());
}

void ModemWindowTest::closingHangsUpAndShowsTheConnectionWindow()
{
    ModemRig rig;
    rig.openWithStations();
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pass(seconds(4));
    (void)rig.channel.bytesWaiting();
    QCOMPARE(rig.modem.mode(), sim::ModemEmulator::Mode::Data);
    rig.window.close();
    QVERIFY(!rig.timer()->isActive());
    QVERIFY(!rig.channel.isOpen());
    // The port closed drops DTR: the modem hangs up.
    QCOMPARE(rig.modem.mode(), sim::ModemEmulator::Mode::Command);
    QVERIFY(rig.connection.isVisible() && rig.connection.isEnabled());
}

void ModemWindowTest::droppedLineEndsLikeALostCable()
{
    ModemRig rig;
    rig.openWithStations();
    rig.station1.fillMemory(200);
    rig.modem.dropCallsAfter(ModemRig::kStation1, 3000);
    rig.main.fileArea()->setFolder(rig.dir.path());
    rig.main.download().setDateSource([] { return QDate(2026, 12, 5); });
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pollUntilDone();
    QVERIFY(rig.main.isVisible());

    const TimePoint start = rig.clock.now();
    rig.find<QPushButton>(QStringLiteral("Acquisisci"))->click();
    QVERIFY(rig.clock.now() - start < seconds(10));
    const QString file = rig.dir.filePath("STATION1_05_12_26_SENS.txt");
    const QByteArray saved = ModemRig::contents(file);
    QVERIFY(saved.endsWith("\r\n"));
    QVERIFY(!saved.contains("NO CARRIER"));
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.startsWith(
        "The link to the logger was lost during the download."));
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Acquisisci"))->isEnabled());

    // The next exchange finds the call gone at once, and says so.
    rig.find<QPushButton>(QStringLiteral("leggidata"))->click();
    QVERIFY(rig.clock.now() - start < seconds(10));
    QCOMPARE(rig.prompter.shown.size(), 2);
    QVERIFY(rig.prompter.shown.last().text.contains("NO CARRIER"));
    QVERIFY(rig.find<QPushButton>(QStringLiteral("leggidata"))->isEnabled());
}

QTEST_MAIN(ModemWindowTest)
#include "tst_modemwindow.moc"

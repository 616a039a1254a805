// The modem window on the emulated modem and its stations: finding the modem, dialling, the
// connection and what follows it in the main window, Retry, Stop, closing, a dropped call;
// and the station list's files: values as they are read back, 70 stations through a save and
// a load, files that end early, a save that keeps what others wrote.
#include "ModemRig.h"
#include "ui/FieldEdit.h"
#include "windows/main/DownloadPage.h"
#include "windows/main/FileArea.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"

#include <QRadioButton>
#include <QTest>

using namespace korvelan;
using namespace korvelan::test;
using namespace std::chrono;

class ModemWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesReadBack_data();
    void valuesReadBack();
    void seventyStationsSavedAndLoaded();
    void shortFiles_data();
    void shortFiles();
    void pagesAndSelection();
    void probeTakesMoreThanEightCharacters_data();
    void probeTakesMoreThanEightCharacters();
    void findingTheModem();
    void dialStrings_data();
    void dialStrings();
    void modemReplies();
    void connectionFillsTheMainWindow();
    void retry_data();
    void retry();
    void stopAndClose();
    void droppedCallEndsLikeALostCable();
    void saveKeepsRowsItDidNotChange();
};

void ModemWindowTest::pagesAndSelection()
{
    ModemRig rig;
    rig.open();
    QCOMPARE(rig.box("Nome3")->text(), "STATION1");
    for (const char* name : {"Connetti", "Interrompi", "Riprova"})
        QVERIFY(!rig.find(name)->isEnabled());
    QVERIFY(!rig.connection.isEnabled()); // no cable connection on the same port meanwhile

    rig.find<QRadioButton>("Primi102")->click();
    QVERIFY(rig.find<QWidget>("Centraline2")->isVisible());
    QVERIFY(!rig.find<QWidget>("Centraline0")->isVisible());
    rig.find<QRadioButton>("Sel25")->click();
    QVERIFY(rig.find("Connetti")->isEnabled());
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
    ModemRig rig(identification);
    rig.writeStations(7);
    rig.open(false);
    rig.box("SERMODEM")->setText("2");
    QCOMPARE(rig.device.received(), "ATE0\rATI3\r");
    QCOMPARE(rig.window.text1(), found ? "Modem found on Com 2" + identification + "\r"
                                       : "Modem not found on selected port");
    QCOMPARE(readBytes(rig.files.portPath()), found ? " 2 \r\n" : " 7 \r\n");
}

void ModemWindowTest::findingTheModem()
{
    ModemRig rig;
    // First use: an empty list is made and no port is tried.
    rig.open(false);
    QCOMPARE(rig.window.text1(), "Modem Window");
    QVERIFY(QFile::exists(rig.files.modemPath()));
    QVERIFY(rig.modem.commandLines().isEmpty());

    // A key tests the port the box names (none yet); the new text is then probed.
    QTest::keyClick(rig.box("SERMODEM"), Qt::Key_3);
    QCOMPARE(rig.shown, QStringList({"MODEM NOT FOUND", "Modem not found on selected port"}));
    rig.port.setExistingPorts({QStringLiteral("COM4")});
    rig.shown.clear();
    rig.find("CERCAMODEM")->click();
    QCOMPARE(rig.box("SERMODEM")->text(), " 4");
    // COM 4 is probed twice: by the button, then by the change of the box.
    QCOMPARE(rig.modem.commandLines(), QStringList({"ATE0", "ATI3", "ATE0", "ATI3"}));
    QCOMPARE(rig.shown.first(), "Looking for modem...");
    QCOMPARE(rig.window.text1(), "Modem found on Com 4\r\nKORVELAN GSM MODEM 1.0\r\n\r\nOK\r\n\r");
    QCOMPARE(readBytes(rig.files.portPath()), " 4 \r\n");

    // With the port open the key's test runs there (and closes it).
    rig.shown.clear();
    QTest::keyClick(rig.box("SERMODEM"), Qt::Key_Backspace);
    QCOMPARE(rig.shown, QStringList({"MODEM READY", "Modem not found on selected port"}));
}

void ModemWindowTest::dialStrings_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("sent");
    // clang-format off
    QTest::newRow("Connect") << "0212345" << "Connetti" << QByteArray("atx0\rATD0212345\r");
    QTest::newRow("Download and Go") << "0212345" << "Scarica_Vai" << QByteArray("atx0\rATD0,212345\r");
    QTest::newRow("no number") << "" << "Scarica_Vai" << QByteArray("atx0\r");
    // clang-format on
}

void ModemWindowTest::dialStrings()
{
    QFETCH(QString, number);
    QFETCH(QString, button);
    QFETCH(QByteArray, sent);
    ModemRig rig;
    rig.open();
    const QByteArray before = rig.modem.trace().toDevice();
    rig.window.Sel(6);
    rig.box("Telefono6")->setText(number);
    rig.find(button)->click();
    QCOMPARE(rig.modem.trace().toDevice().mid(before.size()), sent);
    QCOMPARE(rig.timer()->isActive(), !number.isEmpty());
    if (number.isEmpty())
        QCOMPARE(rig.window.text1(), "No telephone number for this station");
}

void ModemWindowTest::modemReplies()
{
    // What a poll took, after `previous` (the end of the poll before): what it shows, and
    // whether the call is up.
    const auto read = [](const QString& previous, const QString& reply) {
        QString tail;
        (void)readModemReply(previous, &tail);
        const ModemReply r = readModemReply(reply, &tail);
        return std::pair{r.shown, r.connected};
    };
    using R = std::pair<QString, bool>;
    QCOMPARE(read("", "\r\nNO CARRIER\r\n"), R("NO CARRIER\r\n", false));
    // "atx0" answered and the call up within the same two seconds; up and down again.
    QCOMPARE(read("", "\r\nOK\r\n\r\nCONNECT 9600\r\n"), R("OK\r\n\r\nCONNECT 9600\r\n", true));
    QCOMPARE(read("", "\r\nCONNECT 9600\r\n\r\nNO CARRIER\r\n"),
             R("CONNECT 9600\r\n\r\nNO CARRIER\r\n", false));
    QCOMPARE(read("\r\nCONN", "ECT 9600\r\n"), R("T 9600\r\n", true));
}

void ModemWindowTest::connectionFillsTheMainWindow()
{
    ModemRig rig;
    rig.open();
    QByteArray lastWhenReading;
    QObject::connect(&rig.window, &ModemWindow::shown, [&](const QString& text) {
        if (text == "Retrieving internal settings..")
            lastWhenReading = readBytes(rig.files.lastPath());
    });
    // While the settings are read the buttons are off, and a press that comes through
    // anyway does nothing.
    bool enabledMeanwhile = false;
    rig.clock.setOnWaitStep([&] {
        for (const char* name : {"CERCAMODEM", "Salva", "Connetti", "Scarica_Vai", "Riprova"})
            enabledMeanwhile |= rig.find(name)->isEnabled();
        rig.window.Connetti();
    });
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pollUntilDone();
    rig.clock.setOnWaitStep(nullptr);
    QVERIFY(!enabledMeanwhile);
    QCOMPARE(rig.modem.commandLines().count("atx0"), 1);

    QCOMPARE(rig.shown,
             QStringList({"OK\r\n", "CONNECT 9600\r\n", "VELT GSM CONNECTED",
                          "Retrieving internal settings..", "Sensors: OK", "Internal Date/Time: OK",
                          "Timer: OK", "Pre-heating: OK", "Internal parameters: OK", "Memory: OK",
                          "GPRS: OK", "Datalogger ID: OK", "Datalogger Model: OK",
                          "Events counter: OK", "Acquisition enabling: OK"}));
    QCOMPARE(commandsSent(rig.station1),
             QStringList({"H 0,", "H 1,", "H 2,", "H 3,", "G,", "C,", "E,", "W", "H0,", "M,", "K",
                          "Q", "D,", "U", "O"}));
    // The date is in the list before anything is read.
    QCOMPARE(lastWhenReading.split('\n').at(3), "05/12/2026\r");
    QVERIFY(!rig.window.isVisible() && !rig.connection.isVisible() && rig.main.isVisible());
    QVERIFY(!rig.timer()->isActive());
    QCOMPARE(rig.main.windowTitle(), "KORVELAN - MODEM");
    QCOMPARE(rig.main.Nome_File_Dati()->text(), "STATION1_05_12_26_VW.txt");
}

void ModemWindowTest::retry_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("answered") << 3;
    QTest::newRow("silent logger") << 4;
}

void ModemWindowTest::retry()
{
    QFETCH(int, row);
    ModemRig rig;
    rig.open();
    rig.station1.setTimer({0, 30, 0}, rig.clock.now());
    rig.station1.setAcquiring(true, rig.clock.now());
    rig.dialAndWaitForTheCall(row);
    const TimePoint start = rig.clock.now();
    rig.window.Riprova();
    QCOMPARE(rig.shown.mid(rig.shown.indexOf("Retrying...")).size(), row == 3 ? 1 : 2);
    if (row == 4) {
        // The link's time limit ends the first counted read; the window stays usable.
        QVERIFY(rig.clock.now() - start >= seconds(127) && rig.clock.now() - start < seconds(130));
        QCOMPARE(rig.window.text1(), "No answer from the datalogger: Retry stopped.");
        QVERIFY(rig.window.isVisible() && rig.find("CERCAMODEM")->isEnabled());
        return;
    }
    QCOMPARE(commandsSent(rig.station1),
             QStringList({"G", "C", "E", "H", "H", "Q", "N", "M", "T"}));
    for (const auto& c : rig.station1.commands())
        QVERIFY(c.bare);
    auto& schedule = rig.main.schedule();
    const QDateTime next = rig.station1.nextAcquisition();
    QCOMPARE(QStringList({rig.main.nameClock().data(2)->text(), schedule.conversione(1)->text(),
                          schedule.preaccensione()->text(), rig.main.Nome_Centralina()->text(),
                          schedule.Prox(2)->text(), schedule.Prox(3)->text()}),
             QStringList({"2026", "30", "00250", "STATI", QString::number(next.date().year()),
                          next.toString("hh")}));
    QVERIFY(rig.main.isVisible() && !rig.window.isVisible() && !rig.connection.isVisible());
}

void ModemWindowTest::stopAndClose()
{
    ModemRig rig;
    rig.open();
    rig.window.Sel(5);
    rig.window.Connetti();
    rig.poll();
    rig.poll();
    // A busy line is shown, and the poll goes on.
    QCOMPARE(rig.window.lastReply(), "\r\nBUSY\r\n");
    rig.poll();
    QVERIFY(rig.timer()->isActive());
    const QByteArray before = rig.modem.trace().toDevice();
    const TimePoint start = rig.clock.now();
    rig.find("Interrompi")->click();
    QVERIFY(rig.clock.now() - start >= seconds(5));
    QCOMPARE(rig.modem.trace().toDevice().mid(before.size()), "+++ATH\r");
    // One more poll shows the modem's answer; then the poll stops.
    rig.poll();
    QCOMPARE(rig.window.text1(), "OK\r\n");
    QVERIFY(!rig.timer()->isActive());

    // A call that is up when the window closes: the port closes, the modem hangs up.
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pass(seconds(4));
    QCOMPARE(rig.modem.mode(), sim::ModemEmulator::Mode::Data);
    rig.window.close();
    QVERIFY(!rig.timer()->isActive() && !rig.channel.isOpen());
    QCOMPARE(rig.modem.mode(), sim::ModemEmulator::Mode::Command);
    QVERIFY(rig.connection.isVisible() && rig.connection.isEnabled());
}

void ModemWindowTest::droppedCallEndsLikeALostCable()
{
    ModemRig rig;
    rig.open();
    rig.station1.fillMemory(200);
    rig.modem.dropCallsAfter(QStringLiteral("0212345"), 3000);
    rig.main.fileArea()->setFolder(rig.dir.path());
    rig.main.download().setDateSource([] { return QDate(2026, 12, 5); });
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pollUntilDone();

    const TimePoint start = rig.clock.now();
    rig.find("Acquisisci")->click();
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.startsWith(
        "The link to the logger was lost during the download."));
    // The next exchange finds the call gone at once, and says so.
    rig.find("leggidata")->click();
    QVERIFY(rig.clock.now() - start < seconds(10));
    QVERIFY(rig.prompter.shown.last().text.contains("NO CARRIER"));
    QVERIFY(rig.find("leggidata")->isEnabled() && rig.find("Acquisisci")->isEnabled());
}

void ModemWindowTest::saveKeepsRowsItDidNotChange()
{
    ModemRig rig;
    rig.open();
    // A collection records its call of row 3 while the window is open; the operator edits row 4.
    const Station station1{"STATION1", "0212345", {}, {}};
    QVERIFY(rig.files.recordConnection(3, station1, "04/12/2026", nullptr));
    rig.box("Nome4")->setText("SILENT2");
    rig.window.Salva_Click();
    const StationTable saved = rig.files.load().stations;
    QCOMPARE(saved[3].Uldata, "04/12/2026");
    QCOMPARE(saved[4].Nome, "SILENT2");
    QCOMPARE(rig.box("Uldata3")->text(), "04/12/2026");
    // A row that changed meanwhile is not the call's to record.
    QString error;
    QVERIFY(!rig.files.recordConnection(4, {"SILENT", "5556666", {}, {}}, "05/12/2026", &error));
    QCOMPARE(error, "row 5 of the station list was changed meanwhile");
}

void ModemWindowTest::valuesReadBack_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("values");
    // clang-format off
    QTest::newRow("empty lines are values") << QByteArray("A\r\n\r\nB\r\n") << QStringList{"A", "", "B"};
    QTest::newRow("comma, LF, CR") << QByteArray("A,B\nC\rD") << QStringList{"A", "B", "C", "D"};
    QTest::newRow("blanks around dropped") << QByteArray("  A B \t\r\n") << QStringList{"A B"};
    QTest::newRow("quotes") << QByteArray("\"A, \"\"B\"\"\" \r\n") << QStringList{"A, \"B\""};
    QTest::newRow("unclosed quote ends at the line") << QByteArray("\"A,B\r\nC\r\n") << QStringList{"A,B", "C"};
    // clang-format on
}

void ModemWindowTest::valuesReadBack()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, values);
    QCOMPARE(stationfiles::readValues(contents), values);
}

void ModemWindowTest::seventyStationsSavedAndLoaded()
{
    StationTable table;
    for (int i = 0; i < kStations; i += 3)
        table[size_t(i)] = {QStringLiteral("SITE%1").arg(i), QStringLiteral("0212%1").arg(i),
                            QStringLiteral("31/12/2027"), QStringLiteral("0%1/12/2026").arg(i % 9)};
    // A comma or a quote no longer shifts the rest of the table.
    table[1] = {QStringLiteral("BH 4, NORTH"), QStringLiteral("0212345"), {}, {}};
    table[2].Nome = QStringLiteral("\"QUOTED\" WELL");
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    QVERIFY(files.save(table, nullptr));

    const QByteArray modem = readBytes(files.modemPath());
    QCOMPARE(modem.count("\r\n"), 3 * kStations);
    QVERIFY(modem.startsWith("SITE0\r\n02120\r\n31/12/2027\r\n\"BH 4, NORTH\"\r\n0212345\r\n\r\n"
                             "\"\"\"QUOTED\"\" WELL\"\r\n\r\n\r\nSITE3\r\n"));
    QCOMPARE(readBytes(files.lastPath()).count("\r\n"), kStations);
    const auto loaded = files.load();
    for (int i = 0; i < kStations; ++i) {
        const Station& a = table[size_t(i)];
        const Station& b = loaded.stations[size_t(i)];
        QCOMPARE(QStringList({b.Nome, b.Telefono, b.Scadenza, b.Uldata}),
                 QStringList({a.Nome, a.Telefono, a.Scadenza, a.Uldata}));
    }
    // A list that cannot be written says why.
    QString error;
    QVERIFY(!StationFiles(dir.filePath("missing")).save(table, &error));
    QVERIFY(error.contains("modem.ini"));
}

void ModemWindowTest::shortFiles_data()
{
    QTest::addColumn<QByteArray>("modem");
    QTest::addColumn<QByteArray>("pmodem");
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QStringList>("read"); // row 0, row 1, the date of row 69, the port

    QByteArray full;
    for (int i = 0; i < 3 * kStations; ++i)
        full += QByteArray::number(i) + "\r\n";
    QByteArray dates;
    for (int i = 0; i < kStations + 5; ++i)
        dates += "D" + QByteArray::number(i) + "\r\n";
    const QStringList rows01{"0", "1", "2", "D0", "3", "4", "5", "D1", "D69"};
    // clang-format off
    QTest::newRow("first use") << QByteArray() << QByteArray() << QByteArray() << QStringList{"", "", "", "", "", "", "", "", "", "none"};
    // The rows it has, then nothing: no port, no dates.
    QTest::newRow("four values") << QByteArray("A\r\n1\r\nX\r\nB\r\n") << QByteArray("3") << dates << QStringList{"A", "1", "X", "", "B", "", "", "", "", "none"};
    QTest::newRow("last port, 70 dates") << full << QByteArray(" 3 \r\n 5 \r\n") << dates << rows01 + QStringList{"5"};
    QTest::newRow("no port yet") << full << QByteArray("\r\n") << dates << rows01 + QStringList{"none"};
    // clang-format on
}

void ModemWindowTest::shortFiles()
{
    QFETCH(QByteArray, modem);
    QFETCH(QByteArray, pmodem);
    QFETCH(QByteArray, last);
    QFETCH(QStringList, read);
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    const QList<QPair<QString, QByteArray>> contents{
        {files.modemPath(), modem}, {files.portPath(), pmodem}, {files.lastPath(), last}};
    for (const auto& [path, bytes] : contents)
        QVERIFY(bytes.isEmpty() || writeBytes(path, bytes));
    const auto loaded = files.load();
    const auto& s = loaded.stations;
    QCOMPARE(QStringList({s[0].Nome, s[0].Telefono, s[0].Scadenza, s[0].Uldata, s[1].Nome,
                          s[1].Telefono, s[1].Scadenza, s[1].Uldata, s[69].Uldata,
                          loaded.port ? QString::number(*loaded.port) : "none"}),
             read);
    QCOMPARE(loaded.complete, modem.count('\n') >= 3 * kStations);
    // A missing list is made, empty, ready for the first save.
    QVERIFY(QFile::exists(files.modemPath()));
}

QTEST_MAIN(ModemWindowTest)
#include "tst_modemwindow.moc"

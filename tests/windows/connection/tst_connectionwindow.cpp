// The connection window against the logger emulator: the settings file, the probe, the
// connection sequence with its log and pauses, and the main window it fills; and the rules
// behind it: the port settings file, the proposed data file name, the program and data
// folders, the COM-port map and the emulator's devices.
#include "ConnectionRig.h"

#include "common/AppPaths.h"
#include "common/ComPortMap.h"
#include "common/DataFolder.h"
#include "common/DayFirstDate.h"
#include "common/PortSettingsFile.h"
#include "common/SimulatorProcess.h"
#include "download/ProposedFileName.h"
#include "support/Files.h"
#include "ui/FieldEdit.h"
#include "windows/connection/SplashWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace korvelan;
using namespace korvelan::test;
using namespace std::chrono_literals;

namespace {

// Time from the last byte the logger said before the last command `letter` to its letter.
Duration gapBefore(const sim::LoggerEmulator& logger, char letter)
{
    const auto& commands = logger.commands();
    auto command = std::find_if(commands.rbegin(), commands.rend(),
                                [letter](const auto& c) { return c.letter == letter; });
    TimePoint last{};
    for (const auto& b : logger.trace().bytes()) {
        if (b.direction == sim::Direction::FromDevice && b.at <= command->started)
            last = b.at;
    }
    return command->started - last;
}

QList<SerialPortInfo> devices(const QStringList& paths)
{
    QList<SerialPortInfo> out;
    for (const auto& path : paths)
        out.append({path, {}, {}});
    return out;
}

} // namespace

class TestConnectionWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void startsFromTheSettingsFile_data();
    void startsFromTheSettingsFile();
    void connectionSequence();
    void failedProbe_data();
    void failedProbe();
    void answersOfABareDevice_data();
    void answersOfABareDevice();
    void closingStopsEverything_data();
    void closingStopsEverything();
    void cancelLeavesTheWindowReadyToConnect();
    void portsAreDescribedAndLookedForAgain();
    void modemConnection();
    void splashShowsThenHandsOver();
    void lastNumber();
    void portFileTooBigOrUnreadable();
    void proposedName();
    void programFolder();
    void dataFolder();
    void unixPortDefaults_data();
    void unixPortDefaults();
    void portOverride_data();
    void portOverride();
    void windowsPorts();
    void simulatorDevices();
    void simulatorProgramIsFound();
};

void TestConnectionWindow::startsFromTheSettingsFile_data()
{
    QTest::addColumn<QByteArray>("contents"); // "<none>": no file; "<folder>": a folder instead
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("preselected");
    // clang-format off
    QTest::newRow("no file") << QByteArray("<none>") << 0 << 0;
    QTest::newRow("a folder in its place") << QByteArray("<folder>") << 0 << 0;
    QTest::newRow("COM 4, last of several, preselected") << QByteArray("1\r\n 4 \r\n\r\n") << 4 << 4;
    QTest::newRow("beyond the eight ports") << QByteArray(" 9 \r\n") << 9 << 0;
    // clang-format on
}

void TestConnectionWindow::startsFromTheSettingsFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, saved);
    QFETCH(int, preselected);
    ConnectionRig rig;
    if (contents == "<folder>")
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("og399.ini")));
    else if (contents != "<none>")
        rig.writeIni(contents);
    rig.session.PortaSempreAperta = true;
    auto& form = rig.open();

    QCOMPARE(rig.session.PortaSempreAperta, false);
    QCOMPARE(int(rig.session.PortaSalvata), saved);
    QCOMPARE(int(form.selectedPort()), preselected);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("Label2"))->text(),
             saved ? QString() : QStringLiteral("Select a RS232"));
    // Loading creates the file but never changes it.
    QCOMPARE(rig.ini(), contents == "<none>"     ? QByteArray()
                        : contents == "<folder>" ? QByteArray("<no file>")
                                                 : contents);
    QCOMPARE(form.logText(), QStringLiteral("Please select COM port and click on Connect\r\n"));
    // Connecting works even where the port cannot be remembered.
    rig.connectTo(1);
    QVERIFY(rig.main.isVisible() && !form.isVisible());
}

void TestConnectionWindow::connectionSequence()
{
    // On COM 2, both switches on (a bare device's answers clear them).
    const int port = 2;
    ConnectionRig rig;
    rig.logger.setName(QStringLiteral("RIVA/3"));
    rig.logger.settings().eventsCounter = true;
    rig.logger.setAcquiring(true, rig.clock.now());
    rig.writeIni(" 6 \r\n");
    auto& form = rig.open();
    int modemWindows = 0;
    form.setModemWindow([&] { ++modemWindows; });
    auto* connect = rig.find<QPushButton>(QStringLiteral("Command1"));
    auto* modem = rig.find<QPushButton>(QStringLiteral("Command2"));
    int tries = 0;
    bool enabledMeanwhile = false;
    rig.clock.setOnWaitStep([&] {
        if (!form.connecting())
            return;
        ++tries;
        enabledMeanwhile |= connect->isEnabled() || modem->isEnabled() ||
                            rig.find<QPushButton>(QStringLiteral("cmdAggiornaPorte"))->isEnabled();
        // However a click arrives meanwhile, on the button or straight to its handler, it
        // does nothing.
        connect->click();
        modem->click();
        form.Command1();
        form.Command2();
    });
    const TimePoint pressed = rig.clock.now();
    rig.connectTo(port);
    rig.clock.setOnWaitStep(nullptr);
    QVERIFY(tries > 0 && !enabledMeanwhile);
    QCOMPARE(modemWindows, 0);

    // The probe, the groups in their order: channels, clock, start, timer, pre-heating, internal
    // parameters, memory, SMS with the telephone alarm, GPRS, name.
    QByteArray letters;
    for (const auto& c : rig.logger.commands())
        letters += c.letter;
    QCOMPARE(letters, QByteArray("VHHHHGYCEWHMIFKQDUO"));
    QCOMPARE(rig.logger.abandonedCommands(), 0);
    QCOMPARE(form.logText(), fullLog(rig.main));
    QCOMPARE(background(rig.find(QStringLiteral("txtScritte"))), ConnectionWindow::kFound);
    QCOMPARE(rig.ini(), QByteArray(" ") + QByteArray::number(port) + " \r\n");
    QCOMPARE(int(rig.session.Porta), port);
    QVERIFY(rig.session.PortaSempreAperta && rig.channel.isOpen());
    QCOMPARE(rig.channel.portName(), QStringLiteral("COM%1").arg(port));
    QVERIFY(rig.prompter.shown.isEmpty());

    // The probe lets the port settle for more than 3 s, and waits 1 s after asking; then
    // 0.1 s after each read's line and after the events counter, none after the model.
    const auto& commands = rig.logger.commands();
    QVERIFY(commands[0].started - pressed > 3s);
    QVERIFY(commands[1].started - commands[0].started >= 1s + 100ms);
    for (const char letter : {'G', 'W', 'Q', 'D', 'O'})
        QVERIFY2(gapBefore(rig.logger, letter) >= 100ms, QByteArray(1, letter).constData());
    QVERIFY(gapBefore(rig.logger, 'U') < 100ms);

    // The main window takes over, filled.
    QVERIFY(!form.isVisible() && rig.main.isVisible());
    QCOMPARE(rig.connectedSignals, 1);
    QCOMPARE(rig.main.Nome_Centralina()->text(), QStringLiteral("RIVA/3"));
    QVERIFY(rig.main.PLUVIOMETRO()->isChecked() && rig.main.data_logging()->isChecked());
    QVERIFY(!rig.main.lock().locked());
    // The proposed data file name: day first whatever the locale, and no folder in the name.
    QCOMPARE(rig.main.Nome_File_Dati()->text(), QStringLiteral("RIVA_3_06_12_26_VW.txt"));
    QCOMPARE(background(rig.main.Nome_File_Dati()), ConnectionWindow::kProposed);
}

void TestConnectionWindow::failedProbe_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("message"); // the port's, or "silent"
    // clang-format off
    QTest::newRow("missing port") << 5 << "COM 5 (COM5) does not exist — is the adapter plugged in?";
    QTest::newRow("busy port") << 2 << "COM 2 (COM2) is used by another program — close it and try again";
    QTest::newRow("nothing answers") << 1 << "silent";
    QTest::newRow("no port selected") << 0 << QString();
    // clang-format on
}

void TestConnectionWindow::failedProbe()
{
    QFETCH(int, port);
    QFETCH(QString, message);
    ConnectionRig rig;
    rig.channel.setBusyPorts({QStringLiteral("COM2")});
    if (message == QLatin1String("silent"))
        rig.logger.setSilentFrom(1);
    rig.writeIni(" 9 \r\n"); // no port preselected
    auto& form = rig.open();
    const TimePoint pressed = rig.clock.now();
    if (port)
        rig.select(port);
    rig.clickConnect();

    QVERIFY(form.isVisible() && !rig.main.isVisible());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Command1"))->isEnabled());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Command2"))->isEnabled());
    QVERIFY(!rig.channel.isOpen());
    if (!port) {
        QCOMPARE(form.logText(), QStringLiteral("No selected channel!"));
        QCOMPARE(rig.ini(), QByteArray(" 9 \r\n"));
        QCOMPARE(rig.channel.openCount(), 0);
        QCOMPARE(rig.clock.now(), pressed);
        return;
    }
    QCOMPARE(form.logText(), QStringLiteral("Datalogger not found, please check connection"));
    // The file already holds the port chosen.
    QCOMPARE(rig.ini(), QByteArray(" ") + QByteArray::number(port) + " \r\n");
    if (message == QLatin1String("silent")) {
        // Settle, the reply wait, and no more.
        QVERIFY(rig.prompter.shown.isEmpty());
        QCOMPARE(rig.sentToLogger(), QByteArray("V"));
        QVERIFY(rig.clock.now() - pressed > 5s && rig.clock.now() - pressed < 5s + 100ms);
        return;
    }
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown[0].title.isEmpty());
    QCOMPARE(rig.prompter.shown[0].text, message);
    // Another port then connects, probed once.
    rig.connectTo(1);
    QCOMPARE(form.logText(), fullLog(rig.main));
    QVERIFY(rig.main.isVisible());
    QCOMPARE(rig.ini(), QByteArray(" 1 \r\n"));
    QCOMPARE(int(rig.sentToLogger().count('V')), 1);
}

void TestConnectionWindow::answersOfABareDevice_data()
{
    QTest::addColumn<QByteArray>("model");    // the answer to "D"; empty: none
    QTest::addColumn<QByteArray>("switches"); // the answer to "U" and "O"; empty: none
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<Qt::CheckState>("shown");
    // clang-format off
    QTest::newRow("model 7, padded 1") << QByteArray("07, 2.07,") << QByteArray(" 01\r\n,") << 7 << Qt::Checked;
    QTest::newRow("switches off") << QByteArray("00, 2.07,") << QByteArray("0,") << 0 << Qt::Unchecked;
    // Neither 0 nor 1: the switches' state is unknown, not off.
    QTest::newRow("text model, 2 is no state") << QByteArray("abc,") << QByteArray("2,") << 0 << Qt::PartiallyChecked;
    // The settings group too: its line all the same, its boxes what no answer made.
    QTest::newRow("silent") << QByteArray() << QByteArray() << 0 << Qt::PartiallyChecked;
    // clang-format on
}

void TestConnectionWindow::answersOfABareDevice()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, switches);
    QFETCH(int, modelCode);
    QFETCH(Qt::CheckState, shown);
    ConnectionRig rig(Device::Scripted);
    rig.answers['D'] = model;
    rig.answers['U'] = rig.answers['O'] = switches;
    for (const char letter : {'D', 'U', 'O', 'W'}) {
        if (model.isEmpty())
            rig.answers.remove(letter);
    }
    // Ticked beforehand: an answer that is not 1 must not leave them ticked.
    rig.main.PLUVIOMETRO()->setChecked(true);
    rig.main.data_logging()->setChecked(true);
    rig.main.setWindowTitle(QStringLiteral("design"));
    rig.open();
    rig.connectTo(1);

    // A device that knows only some letters: each step says whether it was answered.
    QStringList unanswered{"Sesnors", "Alert", "Timer", "Pre-heating", "Memory", "GSM/SMS", "GPRS"};
    if (model.isEmpty())
        unanswered << "Internal parameters"
                   << "Datalogger model"
                   << "Events counter"
                   << "Acquisition";
    QCOMPARE(rig.form->logText(), fullLog(rig.main, unanswered));
    QVERIFY(rig.main.isVisible());
    QVERIFY(rig.sentToDevice().endsWith("D,UO"));
    QCOMPARE(int(rig.session.ModelloLogger), modelCode);
    QCOMPARE(rig.main.PLUVIOMETRO()->checkState(), shown);
    QCOMPARE(rig.main.data_logging()->checkState(), shown);
    QCOMPARE(isKnown(rig.main.PLUVIOMETRO()->origin()), shown != Qt::PartiallyChecked);
    // Model 0 shows the pre-heating time; any other keeps the design state.
    QCOMPARE(!rig.find(QStringLiteral("Frame2"))->isHidden(), modelCode == 0);
    QCOMPARE(rig.main.windowTitle(), modelCode == 0 ? QStringLiteral("ZEM KORVELAN") : "design");
    if (auto* option = rig.find(QStringLiteral("TipoF0")))
        QCOMPARE(!option->isHidden(), modelCode != 0);
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("parameters0"))->text() == "%%", model.isEmpty());
    // The groups after a silent one were read as usual.
    QCOMPARE(rig.main.Nome_File_Dati()->text(), QStringLiteral("FAKE1_06_12_26_VW.txt"));
}

void TestConnectionWindow::closingStopsEverything_data()
{
    QTest::addColumn<int>("commands"); // closed once the logger has had this many
    QTest::newRow("before connecting") << 0;
    QTest::newRow("during the probe") << 1;
    // A silent logger: the read would wait minutes for each field.
    QTest::newRow("while a read waits") << 2;
}

void TestConnectionWindow::closingStopsEverything()
{
    QFETCH(int, commands);
    ConnectionRig rig;
    rig.logger.setSilentFrom(2);
    auto& form = rig.open();
    bool closedWhileWaiting = false;
    QObject::connect(&form, &ConnectionWindow::closed,
                     [&] { closedWhileWaiting = rig.transport.isWaiting(); });
    rig.clock.setOnWaitStep([&] {
        if (rig.closedSignals == 0 && !form.isHidden() && rig.logger.commands().size() == commands)
            form.close();
    });
    const TimePoint pressed = rig.clock.now();
    if (commands == 0)
        form.close();
    else
        rig.connectTo(1);
    rig.clock.setOnWaitStep(nullptr);

    QCOMPARE(rig.closedSignals, 1);
    QCOMPARE(rig.connectedSignals, 0);
    QCOMPARE(int(rig.logger.commands().size()), commands);
    QCOMPARE(rig.channel.openCount() > 0, commands > 0);
    // The program is told to end only once the sequence has let go of the link.
    QVERIFY(!closedWhileWaiting && !form.connecting() && !rig.main.isVisible());
    // Nothing waited for answers that no one would see.
    QVERIFY(rig.clock.now() - pressed < 10s);
}

void TestConnectionWindow::cancelLeavesTheWindowReadyToConnect()
{
    ConnectionRig rig;
    rig.logger.setSilentFrom(2);
    auto& form = rig.open();
    auto* cancel = rig.find<QPushButton>(QStringLiteral("cmdAnnulla"));
    QVERIFY(cancel->isHidden());
    bool shownWhileConnecting = false;
    rig.clock.setOnWaitStep([&] {
        if (rig.logger.commands().size() == 2 && !cancel->isHidden()) {
            shownWhileConnecting = true;
            cancel->click();
        }
    });
    const TimePoint pressed = rig.clock.now();
    rig.connectTo(1);
    rig.clock.setOnWaitStep(nullptr);
    QVERIFY(shownWhileConnecting);
    QVERIFY(rig.clock.now() - pressed < 10s);
    QVERIFY(form.logText().endsWith(QLatin1String("\r\nConnection cancelled.")));
    QCOMPARE(int(rig.logger.commands().size()), 2); // nothing sent after the cancel
    QVERIFY(!rig.channel.isOpen());
    QVERIFY(cancel->isHidden() && rig.find(QStringLiteral("Command1"))->isEnabled());
    QCOMPARE(rig.connectedSignals, 0);

    // Ready again: the next Connect runs the whole sequence.
    rig.logger.setSilentFrom(100000);
    rig.clickConnect();
    QCOMPARE(rig.connectedSignals, 1);
    QCOMPARE(form.logText(), fullLog(rig.main));
}

void TestConnectionWindow::portsAreDescribedAndLookedForAgain()
{
    // Refresh shows an adapter plugged in since the start; a port fixed on the command line
    // stays, and a link to a device found (/dev/serial/by-id/...) takes its description.
    ConnectionRig rig;
    auto& form = rig.open();
    const QString usb = rig.dir.filePath("ttyUSB0");
    const QString byId = rig.dir.filePath("usb-FTDI_FT232R_A50285BI-if00-port0");
    QVERIFY(QFile(usb).open(QIODevice::WriteOnly) && QFile::link(usb, byId));
    ComPortMap map = ComPortMap::unixDefaults({});
    map.fix(2, byId);
    map.fix(3, "/dev/pts/9", "korvelan-sim logger");
    QList<SerialPortInfo> present;
    form.setPorts(map, [&] { return present; });
    const auto shown = [&] {
        QStringList out;
        for (int i = 0; i < 4; ++i)
            out << rig.find<QLabel>(QStringLiteral("lblDevice%1").arg(i))->text();
        return out;
    };
    QCOMPARE(shown(),
             (QStringList{"/dev/ttyS0", byId, "/dev/pts/9 — korvelan-sim logger", "/dev/ttyS1"}));
    present = {{usb, "FT232R USB UART", "FTDI"}, {"/dev/ttyACM0", "", "Telit"}};
    rig.find<QPushButton>(QStringLiteral("cmdAggiornaPorte"))->click();
    QCOMPARE(shown(), (QStringList{"/dev/ttyACM0 — Telit", byId + " — FT232R USB UART, FTDI",
                                   "/dev/pts/9 — korvelan-sim logger", "/dev/ttyS0"}));
}

void TestConnectionWindow::modemConnection()
{
    ConnectionRig rig;
    auto& form = rig.open();
    int opened = 0;
    form.setModemWindow([&] { ++opened; });
    rig.find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(rig.session.PortaSempreAperta && form.isVisible());
    QCOMPARE(opened, 1);
    QVERIFY(rig.sentToLogger().isEmpty());
}

void TestConnectionWindow::splashShowsThenHandsOver()
{
    VirtualClock clock;
    QWidget next;
    next.resize(420, 310);
    SplashWindow splash;
    splash.run(clock, next);
    QVERIFY(clock.elapsed() > SplashWindow::kShowFor &&
            clock.elapsed() < SplashWindow::kShowFor + 1ms);
    QVERIFY(next.isVisible() && !splash.isVisible());
}

void TestConnectionWindow::lastNumber()
{
    // The last number of the port file; anything that is not a whole number counts as 0.
    const std::pair<QByteArray, int> files[] = {
        {" \r\n \r\n", 0}, {"1,\t7,", 7}, {"-3", -3},   {" 3 \r\nCOM4", 0},
        {"2.5", 0},        {"2.0", 2},    {"40000", 0}, {"\x89PNG\r\n\x1a\n", 0}};
    for (const auto& [contents, number] : files)
        QCOMPARE(int(portsettings::lastNumber(contents)), number);
    // What is written reads back.
    QCOMPARE(int(portsettings::lastNumber(portsettings::line(7))), 7);
}

void TestConnectionWindow::portFileTooBigOrUnreadable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("og399.ini"));
    // A file too big to be ours is not read; its last number does not count.
    test::writeBytes(path, QByteArray(portsettings::kMaxSize, ' ') + " 3 \r\n");
    QCOMPARE(portsettings::read(path), int16_t(0));
    test::writeBytes(path, QByteArray(portsettings::kMaxSize - 5, ' ') + " 3 \r\n");
    QCOMPARE(portsettings::read(path), int16_t(3));
    if (::geteuid() != 0) {
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QCOMPARE(portsettings::read(path), int16_t(0));
    }
}

void TestConnectionWindow::proposedName()
{
    QCOMPARE(proposedDataFileName("DAM 2", "31/01/2027"), QStringLiteral("DAM 2_31_01_27_VW.txt"));
    QCOMPARE(proposedDataFileName("../x:*", "06/12/2026"),
             QStringLiteral("___x___06_12_26_VW.txt"));
    // Fixed places in a date written another way give another, still harmless, name.
    QCOMPARE(proposedDataFileName("S", "12/6/2026"), QStringLiteral("S_12_6__26_VW.txt"));
}

void TestConnectionWindow::programFolder()
{
    QTemporaryDir exe;
    QTemporaryDir user;

    // The command line wins; then the program's own folder when it can be written.
    QCOMPARE(AppPaths::choose(QStringLiteral("/some/where"), exe.path(), user.path()).folder(),
             QStringLiteral("/some/where"));
    const AppPaths own = AppPaths::choose(QString(), exe.path(), user.path());
    QCOMPARE(own.folder(), QDir::cleanPath(exe.path()));
    QCOMPARE(own.portSettingsFile(), QDir::cleanPath(exe.path()) + QStringLiteral("/og399.ini"));
    // The probe leaves nothing behind.
    QCOMPARE(QDir(exe.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());

    QCOMPARE(AppPaths::choose(QString(), exe.filePath("gone"), user.path()).folder(),
             QDir::cleanPath(user.path()));

    if (::geteuid() != 0) {
        QFile::setPermissions(exe.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QCOMPARE(AppPaths::choose(QString(), exe.path(), user.path()).folder(),
                 QDir::cleanPath(user.path()));
        QFile::setPermissions(exe.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }

    // A folder that does not exist yet is made.
    const AppPaths chosen(user.filePath(QStringLiteral("a/b")));
    QVERIFY(chosen.ensureExists());
    QVERIFY(QDir(chosen.folder()).exists());

#ifndef Q_OS_WIN
    // Elsewhere than Windows the settings never live beside the program (a build folder).
    QCOMPARE(
        AppPaths::forThisProgram(QString()).folder(),
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
#endif
}

void TestConnectionWindow::dataFolder()
{
    QTemporaryDir documents;
    QTemporaryDir program;
    const QString ini = QDir(program.path()).filePath(QStringLiteral("korvelan.ini"));
    // At first: KORVELAN in the documents folder, made when missing.
    const QString made = QDir(documents.path()).filePath(QStringLiteral("KORVELAN"));
    QCOMPARE(DataFolder(ini, documents.path()).initial(), made);
    QVERIFY(QFileInfo(made).isDir());
    // The folder chosen last, whatever its characters, from one run to the next; once it is
    // gone, the default again.
    QTemporaryDir chosen;
    const QString odd = QDir(chosen.path()).filePath(QString::fromUtf8("Dati 2026, è=ok;#"));
    QVERIFY(QDir().mkpath(odd));
    QVERIFY(DataFolder(ini, documents.path()).remember(odd));
    QCOMPARE(DataFolder(ini, documents.path()).initial(), odd);
    QVERIFY(QDir(odd).removeRecursively());
    QCOMPARE(DataFolder(ini, documents.path()).initial(), made);
}

void TestConnectionWindow::unixPortDefaults_data()
{
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QStringList>("devices");

    const auto builtIn = [](int from, int n) {
        QStringList out;
        for (int i = from; i < from + n; ++i)
            out << QStringLiteral("/dev/ttyS%1").arg(i);
        return out;
    };
    // clang-format off
    QTest::newRow("no adapter") << QStringList() << builtIn(0, 8);
    QTest::newRow("USB before ACM, by number, then what else was found") << QStringList{"/dev/ttyS4", "/dev/ttyACM0", "/dev/ttyUSB10", "/dev/ttyUSB2"} << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS4"} + builtIn(0, 4);
    QStringList many;
    for (int i = 0; i < 10; ++i)
        many << QStringLiteral("/dev/ttyUSB%1").arg(i);
    QTest::newRow("more adapters than ports") << many << many.mid(0, 8);
    // clang-format on
}

void TestConnectionWindow::unixPortDefaults()
{
    QFETCH(QStringList, found);
    QFETCH(QStringList, devices);
    const ComPortMap map = ComPortMap::unixDefaults(::devices(found));
    QStringList got;
    for (int port = 1; port <= ComPortMap::kPorts; ++port)
        got << map.device(port);
    QCOMPARE(got, devices);
}

void TestConnectionWindow::portOverride_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");

    QTest::newRow("device") << "1=/dev/ttyUSB0" << 1 << "/dev/ttyUSB0";
    QTest::newRow("blanks") << " 2 = /dev/pts/3 " << 2 << "/dev/pts/3";
    QTest::newRow("port 9") << "9=/dev/ttyS0" << 0 << "";
    QTest::newRow("not a number") << "one=/dev/ttyS0" << 0 << "";
    QTest::newRow("no device") << "3=" << 0 << "";
}

void TestConnectionWindow::portOverride()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QFETCH(QString, device);

    QString error;
    const auto parsed = ComPortMap::parseOverride(text, &error);
    QCOMPARE(parsed.has_value(), port != 0);
    if (!parsed) {
        QVERIFY(!error.isEmpty());
        return;
    }
    ComPortMap map = ComPortMap::unixDefaults({});
    map.apply(*parsed);
    QCOMPARE(map.device(port), device);
    // The other ports still lead somewhere, never to the same device.
    for (int other = 1; other <= ComPortMap::kPorts; ++other) {
        if (other != port)
            QVERIFY(!map.device(other).isEmpty() && map.device(other) != device);
    }
}

void TestConnectionWindow::windowsPorts()
{
    // COM n is COMn, described when the system has it.
    const auto map = ComPortMap::windowsDefaults({{"COM3", "USB Serial Port", "FTDI"}});
    QCOMPARE(map.device(3), QStringLiteral("COM3"));
    QCOMPARE(map.describe(3), QStringLiteral("USB Serial Port, FTDI"));
}

void TestConnectionWindow::simulatorDevices()
{
    // Half a printout is not enough; a whole one is read by every end-to-end test.
    QVERIFY(!SimulatorProcess::parseDevices(QStringLiteral("logger /dev/pts/7\nmod")));
}

void TestConnectionWindow::simulatorProgramIsFound()
{
    QTemporaryDir tree;
    QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("src")));
    QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("sim")));
    const QString inBuildTree = tree.filePath(QStringLiteral("sim/korvelan-sim"));
    test::writeBytes(inBuildTree, "#!/bin/sh\n");
    QFile::setPermissions(inBuildTree, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QCOMPARE(SimulatorProcess::findProgram(tree.filePath(QStringLiteral("src"))),
             QFileInfo(inBuildTree).canonicalFilePath());

    // Beside the program comes first.
    const QString beside = tree.filePath(QStringLiteral("src/korvelan-sim"));
    test::writeBytes(beside, "#!/bin/sh\n");
    QFile::setPermissions(beside, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QCOMPARE(SimulatorProcess::findProgram(tree.filePath(QStringLiteral("src"))),
             QFileInfo(beside).canonicalFilePath());
}

QTEST_MAIN(TestConnectionWindow)
#include "tst_connectionwindow.moc"

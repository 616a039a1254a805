// The connection window against the logger emulator: the settings file, the probe, the
// connection sequence with its log and pauses, and the main window it fills.
#include "ConnectionRig.h"

#include "windows/connection/SplashWindow.h"
#include "windows/main/FieldEdit.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QtTest>

using namespace korvelan;
using namespace korvelan::test;
using namespace std::chrono_literals;

namespace {

const QString kNotFound = QStringLiteral("Datalogger not found, please check connection");

// The bytes the main window's reads send, run one after another on a logger of their own.
QByteArray bytesOfReads()
{
    ConnectionRig solo;
    solo.session.Porta = 1;
    solo.session.PortaSempreAperta = true;
    solo.channel.setPortName(QStringLiteral("COM1"));
    solo.channel.open(LineSettings{}, nullptr);
    for (const auto& read : solo.main.connectionReads())
        read.action();
    return solo.sentToLogger();
}

// Time from the last byte the logger said before a command to that command's letter.
Duration gapBefore(const sim::LoggerEmulator& logger, const sim::Command& command)
{
    TimePoint last{};
    for (const auto& b : logger.trace().bytes()) {
        if (b.direction == sim::Direction::FromDevice && b.at <= command.started)
            last = b.at;
    }
    return command.started - last;
}

int indexOfLetter(const sim::LoggerEmulator& logger, char letter, int from = 0)
{
    const auto& commands = logger.commands();
    for (int i = from; i < commands.size(); ++i) {
        if (commands[i].letter == letter)
            return i;
    }
    return -1;
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
    void unreadableSettingsFileCountsAsNone();
    void connectionSequence_data();
    void connectionSequence();
    void sequenceKeepsItsPauses();
    void failedProbe_data();
    void failedProbe();
    void anotherPortAfterAFailedProbe();
    void noPortSelected();
    void modelCode_data();
    void modelCode();
    void loggerSwitches_data();
    void loggerSwitches();
    void silentSettingsGroup();
    void buttonsDoNothingWhileConnecting();
    void closingEndsTheProgram();
    void closingDuringTheSequenceStopsIt_data();
    void closingDuringTheSequenceStopsIt();
    void modemConnection();
    void splashShowsThenHandsOver();
};

void TestConnectionWindow::startsFromTheSettingsFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("preselected");
    QTest::addColumn<QString>("hint");

    const QString select = QStringLiteral("Select a RS232");
    QTest::newRow("no file") << QByteArray() << false << 0 << 0 << select;
    QTest::newRow("empty") << QByteArray() << true << 0 << 0 << select;
    QTest::newRow("as written") << QByteArray(" 3 \r\n") << true << 3 << 3 << QString();
    QTest::newRow("COM 4, last preselected")
        << QByteArray(" 4 \r\n") << true << 4 << 4 << QString();
    QTest::newRow("COM 6 is remembered, not preselected")
        << QByteArray(" 6 \r\n") << true << 6 << 0 << QString();
    QTest::newRow("out of range") << QByteArray("9") << true << 9 << 0 << QString();
    QTest::newRow("several lines: the last")
        << QByteArray("1\r\n 2 \r\n3\r\n\r\n") << true << 3 << 3 << QString();
    QTest::newRow("commas") << QByteArray("4,1") << true << 1 << 1 << QString();
    QTest::newRow("zero") << QByteArray(" 0 \r\n") << true << 0 << 0 << select;
    QTest::newRow("negative") << QByteArray("-2") << true << -2 << 0 << QString();
    QTest::newRow("garbage") << QByteArray("\x01\xfe port=2 \xff") << true << 0 << 0 << select;
    QTest::newRow("huge") << QByteArray(200'000, '1') << true << 0 << 0 << select;
    QTest::newRow("huge number") << QByteArray("123456789012") << true << 0 << 0 << select;
}

void TestConnectionWindow::startsFromTheSettingsFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, exists);
    QFETCH(int, saved);
    QFETCH(int, preselected);
    QFETCH(QString, hint);

    ConnectionRig rig;
    if (exists)
        rig.writeIni(contents);
    rig.session.PortaSempreAperta = true;
    auto& form = rig.open();

    QCOMPARE(rig.session.PortaSempreAperta, false);
    QCOMPARE(rig.session.FileIni, rig.iniPath());
    QCOMPARE(int(rig.session.PortaSalvata), saved);
    QCOMPARE(int(form.selectedPort()), preselected);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("Label2"))->text(), hint);
    // Loading creates the file but never changes it.
    QCOMPARE(rig.ini(), contents);
    QCOMPARE(form.windowTitle(), QStringLiteral("ZEM - KORVELAN"));
    QCOMPARE(form.logText(), QStringLiteral("Please select COM port and click on Connect\r\n"));
    for (int port = 1; port <= 8; ++port)
        QCOMPARE(rig.option(port)->text(), QStringLiteral("COM %1").arg(port));
}

void TestConnectionWindow::unreadableSettingsFileCountsAsNone()
{
    ConnectionRig rig;
    // A folder where the file should be: it can be neither created nor read.
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("og399.ini")));
    auto& form = rig.open();
    QCOMPARE(int(rig.session.PortaSalvata), 0);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("Select a RS232"));

    // Connecting still works; only the port is not remembered.
    rig.connectTo(1);
    QVERIFY(rig.main.isVisible());
    QVERIFY(!form.isVisible());
}

void TestConnectionWindow::connectionSequence_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("eventsCounter");
    QTest::addColumn<bool>("acquiring");

    QTest::newRow("COM 1, counter on") << 1 << true << false;
    QTest::newRow("COM 2, acquiring") << 2 << false << true;
}

void TestConnectionWindow::connectionSequence()
{
    QFETCH(int, port);
    QFETCH(bool, eventsCounter);
    QFETCH(bool, acquiring);

    ConnectionRig rig;
    rig.logger.setName(QStringLiteral("RIVA/3"));
    rig.logger.settings().eventsCounter = eventsCounter;
    rig.logger.setAcquiring(acquiring, rig.clock.now());
    rig.writeIni(" 6 \r\n");
    auto& form = rig.open();

    rig.connectTo(port);

    // Every read of the main window in order between the probe and the three reads of its own.
    QCOMPARE(rig.sentToLogger(), "V" + bytesOfReads() + "D,UO");
    QCOMPARE(rig.logger.abandonedCommands(), 0);

    QCOMPARE(form.logText(), fullLog(rig.main));
    QCOMPARE(background(rig.find(QStringLiteral("txtScritte"))), ConnectionWindow::kFound);
    QCOMPARE(rig.ini(), QByteArray(" ") + QByteArray::number(port) + " \r\n");
    QCOMPARE(int(rig.session.Porta), port);
    QVERIFY(rig.session.PortaSempreAperta);
    QVERIFY(rig.channel.isOpen());
    QCOMPARE(rig.channel.portName(), QStringLiteral("COM%1").arg(port));
    QVERIFY(rig.prompter.shown.isEmpty());

    // The main window takes over, filled.
    QVERIFY(!form.isVisible());
    QVERIFY(rig.main.isVisible());
    QCOMPARE(rig.connectedSignals, 1);
    QCOMPARE(rig.main.Nome_Centralina()->text(), QStringLiteral("RIVA/3"));
    QCOMPARE(rig.main.PLUVIOMETRO()->isChecked(), eventsCounter);
    QCOMPARE(rig.main.data_logging()->isChecked(), acquiring);
    QVERIFY(!rig.find<QLineEdit>(QStringLiteral("parameters0"))->text().isEmpty());
    QVERIFY(!rig.main.lock().locked());

    // The proposed data file name: day first whatever the locale, and no folder in the name.
    QCOMPARE(rig.main.Nome_File_Dati()->text(), QStringLiteral("RIVA_3_06_12_26_VW.txt"));
    QCOMPARE(background(rig.main.Nome_File_Dati()), ConnectionWindow::kProposed);
}

void TestConnectionWindow::sequenceKeepsItsPauses()
{
    ConnectionRig rig;
    rig.open();
    const TimePoint pressed = rig.clock.now();
    rig.connectTo(1);

    const auto& commands = rig.logger.commands();
    QVERIFY(commands.size() > 4);
    QCOMPARE(commands.first().letter, 'V');
    // The probe lets the port settle for more than 3 s, and waits 1 s after asking.
    QVERIFY(commands[0].started - pressed > 3s);
    QVERIFY(commands[1].started - commands[0].started >= 1s + 100ms);

    // 0.1 s after each read's line and after the events counter; none after the model.
    const int model = indexOfLetter(rig.logger, 'D', 1);
    QCOMPARE(model, int(commands.size()) - 3);
    QVERIFY(gapBefore(rig.logger, commands[model]) >= 100ms);
    QVERIFY(gapBefore(rig.logger, commands[model + 1]) < 100ms);
    QVERIFY(gapBefore(rig.logger, commands[model + 2]) >= 100ms);
    for (const char letter : {'G', 'W', 'Q'}) {
        const int i = indexOfLetter(rig.logger, letter, 1);
        QVERIFY(i > 0);
        QVERIFY2(gapBefore(rig.logger, commands[i]) >= 100ms, QByteArray(1, letter).constData());
    }
}

void TestConnectionWindow::failedProbe_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("messageBox");

    QTest::newRow("missing port") << 3 << "missing" << true;
    QTest::newRow("busy port") << 2 << "busy" << true;
    QTest::newRow("nothing answers") << 1 << "silent" << false;
}

void TestConnectionWindow::failedProbe()
{
    QFETCH(int, port);
    QFETCH(QString, fault);
    QFETCH(bool, messageBox);

    ConnectionRig rig;
    if (fault == QLatin1String("busy"))
        rig.channel.setBusyPorts({QStringLiteral("COM%1").arg(port)});
    if (fault == QLatin1String("silent"))
        rig.logger.setSilentFrom(1);
    rig.writeIni(" 1 \r\n");
    auto& form = rig.open();
    const TimePoint pressed = rig.clock.now();

    rig.connectTo(port);

    QCOMPARE(form.logText(), kNotFound);
    QCOMPARE(rig.prompter.shown.size(), messageBox ? 1 : 0);
    if (messageBox) {
        QCOMPARE(rig.prompter.shown[0].title, QString());
        QVERIFY(!rig.prompter.shown[0].text.isEmpty());
    }
    // The file already holds the port chosen; the port is closed again.
    QCOMPARE(rig.ini(), QByteArray(" ") + QByteArray::number(port) + " \r\n");
    QVERIFY(!rig.channel.isOpen());
    QCOMPARE(rig.sentToLogger(), messageBox ? QByteArray() : QByteArray("V"));
    if (!messageBox) {
        // Settle, the reply wait, and no more.
        QVERIFY(rig.clock.now() - pressed > 5s);
        QVERIFY(rig.clock.now() - pressed < 5s + 100ms);
    }
    QVERIFY(form.isVisible());
    QVERIFY(!rig.main.isVisible());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Command1"))->isEnabled());
    QVERIFY(rig.find<QPushButton>(QStringLiteral("Command2"))->isEnabled());
}

void TestConnectionWindow::anotherPortAfterAFailedProbe()
{
    ConnectionRig rig;
    auto& form = rig.open();
    rig.connectTo(5);
    QCOMPARE(form.logText(), kNotFound);

    rig.connectTo(1);
    QCOMPARE(form.logText(), fullLog(rig.main));
    QVERIFY(rig.main.isVisible());
    QCOMPARE(rig.ini(), QByteArray(" 1 \r\n"));
    QCOMPARE(int(rig.sentToLogger().count('V')), 1);
}

void TestConnectionWindow::noPortSelected()
{
    ConnectionRig rig;
    rig.writeIni(" 7 \r\n");
    auto& form = rig.open();
    const TimePoint before = rig.clock.now();

    rig.clickConnect();

    QCOMPARE(form.logText(), QStringLiteral("No selected channel!"));
    QCOMPARE(rig.ini(), QByteArray(" 7 \r\n"));
    QCOMPARE(rig.channel.openCount(), 0);
    QCOMPARE(rig.clock.now(), before);
    QVERIFY(form.isVisible());
}

void TestConnectionWindow::modelCode_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("model");

    QTest::newRow("0") << QByteArray("00, 2.07,") << 0;
    QTest::newRow("7") << QByteArray("07, 2.07,") << 7;
    QTest::newRow("half to even down") << QByteArray("2.5,") << 2;
    QTest::newRow("half to even up") << QByteArray("3.5,") << 4;
    QTest::newRow("leading number") << QByteArray(" 12abc,") << 12;
    QTest::newRow("not a number") << QByteArray("abc,") << 0;
    QTest::newRow("no answer") << QByteArray() << 0;
}

void TestConnectionWindow::modelCode()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, model);

    ConnectionRig rig(Device::Scripted);
    if (answer.isEmpty())
        rig.answers.remove('D');
    else
        rig.answers['D'] = answer;
    rig.main.setWindowTitle(QStringLiteral("design"));
    rig.open();
    rig.connectTo(1);

    QCOMPARE(int(rig.session.ModelloLogger), model);
    QVERIFY(rig.form->logText().endsWith(
        QStringLiteral("Datalogger model: OK\r\nEvents counter: OK\r\nAcquisition: OK")));
    auto* preheating = rig.find(QStringLiteral("Frame2"));
    QVERIFY(preheating);
    // Model 0 shows the pre-heating time; any other keeps the design state.
    QCOMPARE(!preheating->isHidden(), model == 0);
    QCOMPARE(rig.main.windowTitle(),
             model == 0 ? QStringLiteral("ZEM KORVELAN") : QStringLiteral("design"));
    for (const char* name : {"TipoF0", "TipoF1"}) {
        if (auto* option = rig.find(QString::fromLatin1(name)))
            QCOMPARE(!option->isHidden(), model != 0);
    }
}

void TestConnectionWindow::loggerSwitches_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("ticked");

    QTest::newRow("1") << QByteArray("1,") << true;
    QTest::newRow("0") << QByteArray("0,") << false;
    QTest::newRow("padded 1") << QByteArray(" 01\r\n,") << true;
    QTest::newRow("2 counts as 0") << QByteArray("2,") << false;
    QTest::newRow("-1 counts as 0") << QByteArray("-1,") << false;
    QTest::newRow("text counts as 0") << QByteArray("on,") << false;
    QTest::newRow("no answer") << QByteArray() << false;
}

void TestConnectionWindow::loggerSwitches()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, ticked);

    ConnectionRig rig(Device::Scripted);
    for (const char letter : {'U', 'O'}) {
        if (answer.isEmpty())
            rig.answers.remove(letter);
        else
            rig.answers[letter] = answer;
    }
    // Ticked beforehand: an answer that is not 1 must clear them, not leave them.
    rig.main.PLUVIOMETRO()->setChecked(true);
    rig.main.data_logging()->setChecked(true);
    rig.open();
    rig.connectTo(1);

    QVERIFY(rig.main.isVisible());
    QCOMPARE(rig.main.PLUVIOMETRO()->isChecked(), ticked);
    QCOMPARE(rig.main.data_logging()->isChecked(), ticked);
    QVERIFY(rig.sentToDevice().endsWith("D,UO"));
}

void TestConnectionWindow::silentSettingsGroup()
{
    ConnectionRig rig(Device::Scripted);
    rig.answers.remove('W');
    rig.open();
    rig.connectTo(1);

    // Its line all the same, and the boxes show what the reading made of no answer.
    QCOMPARE(rig.form->logText(), fullLog(rig.main));
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("parameters0"))->text(), QStringLiteral("%%"));
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("parameters2"))->text(), QStringLiteral("%%"));
    // The groups after it were read as usual.
    QCOMPARE(rig.main.Nome_Centralina()->text(), QStringLiteral("FAKE1"));
    QCOMPARE(rig.main.Nome_File_Dati()->text(), QStringLiteral("FAKE1_06_12_26_VW.txt"));
    QVERIFY(rig.main.isVisible());
}

void TestConnectionWindow::buttonsDoNothingWhileConnecting()
{
    ConnectionRig rig;
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
        enabledMeanwhile |= connect->isEnabled() || modem->isEnabled();
        // However the click arrives: on the button, or straight to its handler.
        connect->click();
        modem->click();
        form.Command1();
        form.Command2();
    });
    rig.connectTo(1);
    rig.clock.setOnWaitStep(nullptr);

    QVERIFY(tries > 0);
    QVERIFY(!enabledMeanwhile);
    QCOMPARE(modemWindows, 0);
    QCOMPARE(rig.sentToLogger(), "V" + bytesOfReads() + "D,UO");
    QCOMPARE(form.logText(), fullLog(rig.main));
    QCOMPARE(rig.connectedSignals, 1);
}

void TestConnectionWindow::closingEndsTheProgram()
{
    ConnectionRig rig;
    rig.writeIni(" 2 \r\n");
    auto& form = rig.open();
    form.close();

    QCOMPARE(rig.closedSignals, 1);
    QCOMPARE(rig.channel.openCount(), 0);
    QVERIFY(rig.sentToLogger().isEmpty());
    QVERIFY(!rig.main.isVisible());
}

void TestConnectionWindow::closingDuringTheSequenceStopsIt_data()
{
    QTest::addColumn<int>("commands");
    QTest::newRow("during the probe") << 1;
    // A silent logger: the read would wait minutes for each field.
    QTest::newRow("while a read waits") << 2;
}

void TestConnectionWindow::closingDuringTheSequenceStopsIt()
{
    QFETCH(int, commands);
    ConnectionRig rig;
    rig.logger.setSilentFrom(2);
    auto& form = rig.open();
    bool closed = false;
    bool closedWhileWaiting = true;
    QObject::connect(&form, &ConnectionWindow::closed,
                     [&] { closedWhileWaiting = rig.transport.isWaiting(); });
    rig.clock.setOnWaitStep([&] {
        if (!closed && rig.logger.commands().size() == commands) {
            closed = true;
            form.close();
        }
    });
    const TimePoint pressed = rig.clock.now();
    rig.connectTo(1);
    rig.clock.setOnWaitStep(nullptr);

    QVERIFY(closed);
    QCOMPARE(rig.closedSignals, 1);
    QCOMPARE(rig.connectedSignals, 0);
    QCOMPARE(int(rig.logger.commands().size()), commands);
    // The program is told to end only once the sequence has let go of the link.
    QVERIFY(!closedWhileWaiting);
    QVERIFY(!form.connecting());
    QVERIFY(!rig.main.isVisible());
    // Nothing waited for answers that no one would see.
    QVERIFY(rig.clock.now() - pressed < 10s);
}

void TestConnectionWindow::modemConnection()
{
    ConnectionRig rig;
    auto& form = rig.open();
    const QString initial = form.logText();

    // No modem window yet: the window says so.
    rig.find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(rig.session.PortaSempreAperta);
    QVERIFY(form.logText().startsWith(initial + QStringLiteral("\r\n")));
    QVERIFY(form.logText().size() > initial.size() + 2);
    QVERIFY(form.isVisible());

    int opened = 0;
    form.setModemWindow([&] { ++opened; });
    const QString before = form.logText();
    rig.find<QPushButton>(QStringLiteral("Command2"))->click();
    QCOMPARE(opened, 1);
    QCOMPARE(form.logText(), before);
    QVERIFY(form.isVisible());
    QVERIFY(rig.sentToLogger().isEmpty());
}

void TestConnectionWindow::splashShowsThenHandsOver()
{
    VirtualClock clock;
    QWidget next;
    next.resize(420, 310);
    SplashWindow splash;
    splash.run(clock, next);

    QVERIFY(clock.elapsed() > SplashWindow::kShowFor);
    QVERIFY(clock.elapsed() < SplashWindow::kShowFor + 1ms);
    QVERIFY(next.isVisible());
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.size(), QSize(420, 310));
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((splash.geometry().center() - centre).manhattanLength() <= 2);
}

QTEST_MAIN(TestConnectionWindow)
#include "tst_connectionwindow.moc"

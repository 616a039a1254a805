// The built korvelan-sim, reached as the program reaches a logger: its devices through the
// serial port class, the real clock and the transport routines.
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "support/ScriptedPrompter.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;

namespace {

struct Link
{
    LoggerSession session;
    RealClock clock;
    SerialChannel channel;
    test::ScriptedPrompter prompter;
    QString device;
    Transport transport{session, channel, clock, prompter, [this](int) { return device; }};

    explicit Link(QString path) : device(std::move(path)) { session.Porta = 1; }
    bool open()
    {
        session.PortaSempreAperta = true;
        channel.setPortName(device);
        QString error;
        return channel.open(LineSettings{}, &error);
    }
    QStringList exchange(const QString& command, const QString& parameters, int fields)
    {
        transport.Invia_Comando(command, parameters);
        QStringList out;
        for (int i = 0; i < fields; ++i)
            out << transport.Leggi_Campo();
        return out;
    }
};

} // namespace

class SimProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void loggerAnswersThroughThePseudoTerminal();
    void portClosedAndOpenedAgain();
    void modemCallsAStation();
    void endsWhenItsInputCloses();

private:
    QProcess m_sim;
    QTemporaryDir m_dir;
    QHash<QString, QString> m_devices;

public:
    ~SimProgramTest() override
    {
        m_sim.kill();
        m_sim.waitForFinished(2000);
    }
};

void SimProgramTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_sim.setProgram(QStringLiteral(KORVELAN_SIM_PROGRAM));
    m_sim.setArguments({"--fill", "3", "--link-dir", m_dir.path(), "--exit-on-stdin-close"});
    m_sim.start();
    QVERIFY(m_sim.waitForStarted(5000));
    QString printed;
    while (!printed.contains("\nready\n") && m_sim.waitForReadyRead(5000))
        printed += QString::fromLocal8Bit(m_sim.readAllStandardOutput());
    QVERIFY2(printed.contains("\nready\n"), qPrintable(printed));
    QStringList stations;
    for (const auto& line : printed.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("station "))
            stations << line.section(' ', 1);
        else
            m_devices.insert(line.section(' ', 0, 0), line.section(' ', 1));
    }
    QVERIFY(m_devices.value("logger").startsWith("/dev/"));
    QVERIFY(m_devices.value("modem").startsWith("/dev/"));
    QVERIFY(stations.contains("0212345 STATION1"));
    QCOMPARE(QFileInfo(m_dir.filePath("logger")).symLinkTarget(), m_devices.value("logger"));
}

void SimProgramTest::loggerAnswersThroughThePseudoTerminal()
{
    Link link(m_dir.filePath("logger"));
    QCOMPARE(link.transport.Apri_Porta(1), int16_t(1));
    QCOMPARE(link.exchange("Q", "", 1), QStringList{"SITE1     "});
    const QStringList clock = link.exchange("G", ",", 5);
    QCOMPARE(clock.at(2), QString::number(QDate::currentDate().year()));
    // The counted block of the letter alone comes after the idle gap.
    QCOMPARE(link.transport.Invia_Attendi("E", 5), "00250");

    link.transport.Invia_Comando("A", "0,");
    QByteArray stream;
    const TimePoint end = link.clock.now() + seconds(5);
    while (!stream.endsWith('\x03') && link.clock.now() < end) {
        link.transport.waitForInput(end);
        stream += link.channel.readAll();
    }
    QVERIFY(stream.endsWith('\x03'));
    QCOMPARE(stream.count("\r\n"), 3);
}

void SimProgramTest::portClosedAndOpenedAgain()
{
    for (int round = 0; round < 3; ++round) {
        Link link(m_devices.value("logger"));
        QVERIFY(link.open());
        QCOMPARE(link.exchange("H", " 0,", 1), QStringList{" 4"});
        link.channel.close();
    }
}

void SimProgramTest::modemCallsAStation()
{
    Link link(m_dir.filePath("modem"));
    QVERIFY(link.open());
    link.transport.Invia_Attendi_Diretto("ATE0\r", 6);
    QVERIFY(link.transport.Invia_Attendi("ATI3\r", 9).size() > 8);
    link.channel.write("ATD0212345\r");
    QString answer;
    const TimePoint end = link.clock.now() + seconds(8);
    while (!answer.endsWith("\r\n", Qt::CaseSensitive) || answer.size() < 4) {
        if (link.clock.now() >= end)
            break;
        link.transport.waitForInput(end);
        answer += fromWire(link.channel.readAll());
    }
    QCOMPARE(answer, "\r\nCONNECT 9600\r\n");
    QCOMPARE(link.exchange("Q", "", 1), QStringList{"STATION1  "});
}

void SimProgramTest::endsWhenItsInputCloses()
{
    if (m_sim.state() == QProcess::NotRunning)
        QSKIP("the emulator did not start");
    m_sim.closeWriteChannel();
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("logger")));
}

QTEST_GUILESS_MAIN(SimProgramTest)
#include "tst_simprogram.moc"

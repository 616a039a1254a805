// The link over a real pseudo-terminal, through the serial port class, with the real clock,
// to the logger of a korvelan-sim of its own.
#include "support/SimulatorLink.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <unistd.h>
#include <vector>

using namespace korvelan;
using namespace std::chrono;

namespace {

// korvelan-sim running, its logger's port open as the probe leaves it.
struct Rig : test::SimulatorLink
{
    Rig()
    {
        QString error;
        if (!start(QStringLiteral(KORVELAN_SIM_PROGRAM), {}, &error))
            qWarning("korvelan-sim: %s", qPrintable(error));
    }
    [[nodiscard]] QString device() const { return sim.devices().logger; }
};

// Passes everything to the real port and notes when each write was made.
class StampingChannel final : public Channel
{
public:
    StampingChannel(Channel& inner, std::vector<steady_clock::time_point>& stamps)
        : m_inner(inner), m_stamps(stamps)
    {
        connect(&inner, &Channel::inputArrived, this, &Channel::inputArrived);
        connect(&inner, &Channel::lost, this, &Channel::lost);
    }
    void setPortName(const QString& name) override { m_inner.setPortName(name); }
    QString portName() const override { return m_inner.portName(); }
    bool open(const LineSettings& s, QString* e) override { return m_inner.open(s, e); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    void setDtr(bool on) override { m_inner.setDtr(on); }
    void setRts(bool on) override { m_inner.setRts(on); }
    qint64 bytesWaiting() override { return m_inner.bytesWaiting(); }
    QByteArray readAll() override { return m_inner.readAll(); }
    QByteArray read(qint64 n) override { return m_inner.read(n); }
    void discardInput() override { m_inner.discardInput(); }
    bool write(const QByteArray& bytes) override
    {
        m_stamps.push_back(steady_clock::now());
        return m_inner.write(bytes);
    }

private:
    Channel& m_inner;
    std::vector<steady_clock::time_point>& m_stamps;
};

} // namespace

class SerialChannelTest : public QObject
{
    Q_OBJECT
private slots:
    void parameterCharactersArriveApart();
    void otherSideClosingIsNoticedOnce();
    void openFaultsAreTold();
};

void SerialChannelTest::parameterCharactersArriveApart()
{
    Rig rig;
    QVERIFY(rig.channel.isOpen());
    // Stamp each write as the program hands it to the port: the pacing the program makes,
    // free of the noise of a second thread's wake-ups on a busy machine.
    std::vector<steady_clock::time_point> written;
    StampingChannel stamping(rig.channel, written);
    Transport transport(rig.session, stamping, rig.clock, rig.prompter,
                        [&](int) { return rig.device(); });
    const auto start = steady_clock::now();
    QVERIFY(transport.Invia_Comando("c", "001,030,000,"));
    QCOMPARE(written.size(), size_t(13));
    for (size_t i = 1; i < written.size(); ++i) {
        const auto gap = written[i] - written[i - 1];
        QVERIFY2(
            gap > milliseconds(10),
            qPrintable(QStringLiteral("gap %1 us").arg(duration_cast<microseconds>(gap).count())));
    }
    QVERIFY(steady_clock::now() - start > milliseconds(120));
    // Everything reached the logger, in order: it keeps the timer written.
    QVERIFY(transport.Invia_Comando("C", ","));
    QStringList timer;
    for (int i = 0; i < 3; ++i)
        timer << transport.Leggi_Campo();
    QCOMPARE(timer, (QStringList{"001", "030", "000"}));
}

void SerialChannelTest::otherSideClosingIsNoticedOnce()
{
    Rig rig;
    QSignalSpy lost(&rig.channel, &Channel::lost);
    // The logger goes away while a field is awaited ("q" is not answered).
    QVERIFY(rig.transport.Invia_Comando("q", "GONE,"));
    QTimer::singleShot(100, [&] { rig.sim.stop(); });
    const auto start = steady_clock::now();
    QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
    QVERIFY(steady_clock::now() - start < seconds(5));
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.channel.isOpen());
}

void SerialChannelTest::openFaultsAreTold()
{
    // Qt calls a port held elsewhere and one the user may not open both a permission error;
    // the operator must read which it is.
    Rig rig;
    QVERIFY(rig.channel.isOpen());
    SerialChannel other;
    const auto fault = [&](const QString& name) {
        other.setPortName(name);
        return other.open(LineSettings{}, nullptr) ? PortFault::None : other.openFault();
    };
    QCOMPARE(fault(rig.device()), PortFault::Busy);
    QCOMPARE(fault(rig.device() + "-gone"), PortFault::Missing);
    if (::geteuid() == 0)
        QSKIP("root may open any device");
    rig.channel.close();
    QVERIFY(QFile::setPermissions(rig.device(), {}));
    QCOMPARE(fault(rig.device()), PortFault::Denied);
}

QTEST_MAIN(SerialChannelTest)
#include "tst_serialchannel.moc"

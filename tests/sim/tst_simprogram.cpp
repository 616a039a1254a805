// The built korvelan-sim by itself: what it prints, the links it makes, its end when its
// input closes. The program's own use of it is the end-to-end tests'.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SimProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void printsItsDevicesAndLinks();
    void endsWhenItsInputCloses();

public:
    ~SimProgramTest() override
    {
        m_sim.kill();
        m_sim.waitForFinished(2000);
    }

private:
    QProcess m_sim;
    QTemporaryDir m_dir;
    QHash<QString, QString> m_devices;
};

void SimProgramTest::printsItsDevicesAndLinks()
{
    m_sim.setProgram(QStringLiteral(KORVELAN_SIM_PROGRAM));
    m_sim.setArguments({"--link-dir", m_dir.path(), "--exit-on-stdin-close"});
    m_sim.start();
    QVERIFY(m_sim.waitForStarted(5000));
    QString printed;
    while (!printed.contains("\nready\n") && m_sim.waitForReadyRead(5000))
        printed += QString::fromLocal8Bit(m_sim.readAllStandardOutput());
    QVERIFY2(printed.contains("\nstation 0212345 STATION1\n"), qPrintable(printed));
    for (const auto& line : printed.split('\n', Qt::SkipEmptyParts))
        m_devices.insert(line.section(' ', 0, 0), line.section(' ', 1));
    for (const char* device : {"logger", "modem"}) {
        QVERIFY(m_devices.value(device).startsWith("/dev/"));
        QCOMPARE(QFileInfo(m_dir.filePath(device)).symLinkTarget(), m_devices.value(device));
    }
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

// The rules behind the connection window: the port settings file, the proposed data file
// name, day-first dates, the program and data folders, the COM-port map and the emulator's
// devices.
#include "common/AppPaths.h"
#include "common/ComPortMap.h"
#include "common/DataFolder.h"
#include "common/DayFirstDate.h"
#include "common/SimulatorProcess.h"
#include "support/Files.h"
#include "windows/connection/PortSettingsFile.h"
#include "windows/connection/ProposedFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace korvelan;

namespace {

QList<SerialPortInfo> devices(const QStringList& paths)
{
    QList<SerialPortInfo> out;
    for (const auto& path : paths)
        out.append({path, {}, {}});
    return out;
}

} // namespace

class TestConnectionRules : public QObject
{
    Q_OBJECT
private slots:
    void lastNumber_data();
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

void TestConnectionRules::lastNumber_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("number");
    QTest::newRow("blanks only") << QByteArray(" \r\n \r\n") << 0;
    QTest::newRow("plain") << QByteArray("4") << 4;
    QTest::newRow("lines") << QByteArray(" 1 \r\n 2 \r\n 5 \r\n") << 5;
    QTest::newRow("commas and tabs") << QByteArray("1,\t7,") << 7;
    QTest::newRow("negative") << QByteArray("-3") << -3;
    QTest::newRow("text last") << QByteArray(" 3 \r\nCOM4") << 0;
    QTest::newRow("fraction") << QByteArray("2.5") << 0;
    QTest::newRow("whole as fraction") << QByteArray("2.0") << 2;
    QTest::newRow("too big") << QByteArray("40000") << 0;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n") << 0;
}

void TestConnectionRules::lastNumber()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, number);
    QCOMPARE(int(portsettings::lastNumber(contents)), number);
    // What is written reads back.
    if (number > 0)
        QCOMPARE(int(portsettings::lastNumber(portsettings::line(int16_t(number)))), number);
}

void TestConnectionRules::portFileTooBigOrUnreadable()
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

void TestConnectionRules::proposedName()
{
    QCOMPARE(proposedDataFileName("DAM 2", "31/01/2027"), QStringLiteral("DAM 2_31_01_27_VW.txt"));
    QCOMPARE(proposedDataFileName("../x:*", "06/12/2026"),
             QStringLiteral("___x___06_12_26_VW.txt"));
    // Fixed places in a date written another way give another, still harmless, name.
    QCOMPARE(proposedDataFileName("S", "12/6/2026"), QStringLiteral("S_12_6__26_VW.txt"));
}

void TestConnectionRules::programFolder()
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

void TestConnectionRules::dataFolder()
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

void TestConnectionRules::unixPortDefaults_data()
{
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QStringList>("devices");

    const auto builtIn = [](int from, int n) {
        QStringList out;
        for (int i = from; i < from + n; ++i)
            out << QStringLiteral("/dev/ttyS%1").arg(i);
        return out;
    };
    QTest::newRow("no adapter") << QStringList() << builtIn(0, 8);
    QTest::newRow("USB before ACM, by number, then what else was found")
        << QStringList{"/dev/ttyS4", "/dev/ttyACM0", "/dev/ttyUSB10", "/dev/ttyUSB2"}
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS4"} +
               builtIn(0, 4);
    QStringList many;
    for (int i = 0; i < 10; ++i)
        many << QStringLiteral("/dev/ttyUSB%1").arg(i);
    QTest::newRow("more adapters than ports") << many << many.mid(0, 8);
}

void TestConnectionRules::unixPortDefaults()
{
    QFETCH(QStringList, found);
    QFETCH(QStringList, devices);
    const ComPortMap map = ComPortMap::unixDefaults(::devices(found));
    QStringList got;
    for (int port = 1; port <= ComPortMap::kPorts; ++port)
        got << map.device(port);
    QCOMPARE(got, devices);
}

void TestConnectionRules::portOverride_data()
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

void TestConnectionRules::portOverride()
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

void TestConnectionRules::windowsPorts()
{
    // COM n is COMn, described when the system has it.
    const auto map = ComPortMap::windowsDefaults({{"COM3", "USB Serial Port", "FTDI"}});
    QCOMPARE(map.device(3), QStringLiteral("COM3"));
    QCOMPARE(map.describe(3), QStringLiteral("USB Serial Port, FTDI"));
}

void TestConnectionRules::simulatorDevices()
{
    const auto devices = SimulatorProcess::parseDevices(
        QStringLiteral("logger /dev/pts/7\nmodem /dev/pts/8\nstation 0212345 STATION1\nready\n"));
    QVERIFY(devices && devices->logger == "/dev/pts/7" && devices->modem == "/dev/pts/8");
    // Half a printout is not enough.
    QVERIFY(!SimulatorProcess::parseDevices(QStringLiteral("logger /dev/pts/7\nmod")));
}

void TestConnectionRules::simulatorProgramIsFound()
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

QTEST_MAIN(TestConnectionRules)
#include "tst_connectionrules.moc"

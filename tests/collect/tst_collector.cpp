// The collector over the emulated logger and modem, on the virtual clock: --since-last
// whatever the logger's clock and memory do, the clock set, two stations of one name among
// others, a call that drops, the modem's port and the hang-up, each said as it happened.
#include "collect/CollectLock.h"
#include "collect/CollectRun.h"
#include "collect/Collector.h"
#include "collect/ConsolePrompter.h"
#include "common/ComPortMap.h"
#include "link/MemoryChannel.h"
#include "remote/CarrierWatch.h"
#include "sim/ModemEmulator.h"
#include "support/EmulatorRig.h"
#include "support/Files.h"
#include "support/Rows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;

namespace {

struct Rig
{
    QTemporaryDir dir;
    LoggerSession session;
    VirtualClock clock;
    sim::LoggerEmulator logger{clock.now(), test::rigWallClock()}; // on the cable, or row 1
    sim::LoggerEmulator twin{clock.now(), test::rigWallClock()};   // row 2
    sim::ModemEmulator modem{clock.now()};
    MemoryChannel port;
    CarrierWatch channel{port, clock};
    ConsolePrompter prompter{[](const QString&) {}};
    QString cable = QStringLiteral("COM1");
    Transport transport{session, channel, clock, prompter,
                        [this](int p) { return p == 1 ? cable : QStringLiteral("COM%1").arg(p); }};
    std::optional<Collector> collector;
    StationFiles files{dir.path()};
    StationTable stations;
    QStringList complete; // data files collected, in order

    explicit Rig(bool overModem, std::optional<qint64> syncClock = std::nullopt,
                 seconds dialLimit = CollectOptions::kDefaultDialLimit)
        : port(overModem ? static_cast<LinkPeer&>(modem) : logger, clock)
    {
        clock.addSource(
            [this, overModem] { return overModem ? modem.nextEvent() : logger.nextEvent(); });
        for (auto* l : {&logger, &twin})
            l->setTimer(sim::AcquisitionTimer{0, 10, 0}, clock.now());
        twin.setClock(test::rigWallClock().addSecs(-3600), clock.now());
        modem.addStation("0212345", &logger);
        modem.addStation("5550000", nullptr, sim::ModemEmulator::Answer::Busy);
        modem.addStation("0399887766", &twin);
        collector.emplace(transport, prompter,
                          Collector::Settings{dir.path(), dir.filePath("data"),
                                              CollectOptions::Range::SinceLast, std::nullopt,
                                              syncClock, dialLimit});
        QDir().mkpath(dir.filePath("data"));
        const auto wall = [this] { return test::rigWallClock().addMSecs(ms()); };
        collector->setWallClock(wall);
        collector->setToday([wall] { return wall().date(); });
        stations[0] = {"NORTH", "0212345", {}, {}};
        stations[1] = {"ENGAGED", "5550000", {}, {}};
        stations[2] = {"SOUTH", "0399887766", {}, {}};
        files.save(stations, nullptr);
        files.savePort(2, nullptr);
    }
    ~Rig() { test::failOnProtocolErrors(logger, __FILE__, __LINE__); }
    qint64 ms() const { return duration_cast<milliseconds>(clock.elapsed()).count(); }

    LoggerReport run(int row = -1)
    {
        LoggerReport r = row < 0 ? collector->collectCable(1, cable)
                                 : collector->collectStation(stations, row, files, 2, "COM2");
        if (r.collected && !r.file.isEmpty())
            complete << r.file;
        return r;
    }
    // Every station of the list, as --all-stations runs them.
    QList<LoggerReport> runAll()
    {
        CollectOptions all;
        all.allStations = true;
        ComPortMap ports = ComPortMap::defaults({});
        ports.fix(2, "COM2");
        QString error;
        // One modem: collected in this thread, by the rig's own collector.
        CollectRun run([this](int, const QString&) {
            return std::shared_ptr<Collector>(std::shared_ptr<Collector>(), &*collector);
        });
        return run.run(all, ports, dir.path(), &error);
    }
    void pass(Duration d) { clock.waitBlocking(clock.now() + d); }
    // Time for n acquisitions, ten minutes apart, to be taken.
    void acquire(int n) { pass(minutes(10) * n + seconds(5)); }
    QStringList memory(sim::LoggerEmulator& l)
    {
        l.advanceTo(clock.now());
        return l.memoryLines();
    }
    // The lines of the data files given, in order.
    static QStringList collected(const QStringList& paths)
    {
        QStringList lines;
        for (const QString& path : paths) {
            lines += QString::fromLatin1(test::readBytes(path)).split("\r\n");
            lines.removeLast();
        }
        return lines;
    }
};

// Every line the logger stored, in order, from what its memory held at two times: the later
// memory may have lost its oldest lines (wrapped) or all of them (erased).
QStringList storedLines(const QStringList& first, const QStringList& second)
{
    qsizetype overlap = std::min(first.size(), second.size());
    while (overlap > 0 && second.mid(0, overlap) != first.mid(first.size() - overlap))
        --overlap;
    QStringList all = first + second.mid(overlap);
    while (!all.isEmpty() && all.last().isEmpty())
        all.removeLast(); // they wait for a line after them
    return all;
}

QString summary(const LoggerReport& r)
{
    return QStringList(QStringList{r.result} + r.notes).join("; ");
}

// A fault and a part of what the report says of it.
struct Case
{
    QString fault;
    QString said;
    QString notes = {};
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestCollector : public QObject
{
    Q_OBJECT
private slots:
    void sinceLastWhateverTheLoggerDoes_data();
    void sinceLastWhateverTheLoggerDoes();
    void devicePathsShareLockAndMark();
    void clockSetWhenOff();
    void stationsOfOneNameAndABusyOne();
    void droppedCall_data();
    void droppedCall();
    void modemFaults_data();
    void modemFaults();
};

void TestCollector::sinceLastWhateverTheLoggerDoes_data()
{
    // What the second run says besides "collected".
    // clang-format off
    test::addRows<Case>({
        {"in step", {"", ""}},
        {"nothing new", {"nothing new", "nothing new"}},
        {"clock set back two days", {"back", "is earlier than the last line"}},
        {"clock reset to a default date", {"reset", "is earlier than the last line"}},
        {"clock set back, then on past the mark", {"back and on", "stored 5 since"}},
        {"clock ahead across midnight", {"ahead", ""}},
        {"memory erased", {"erased", "(erased or overwritten since): every line"}},
        {"memory full and wrapping", {"wrapping", "memory is full: the whole"}},
        {"an empty line stored", {"empty", "stored 6 since: the whole memory"}},
    });
    // clang-format on
}

void TestCollector::sinceLastWhateverTheLoggerDoes()
{
    QFETCH(Case, row);
    const QString fault = row.fault;
    const QString note = row.said;
    Rig rig(false);
    sim::LoggerEmulator& logger = rig.logger;
    const auto setClock = [&](const QDateTime& wall) { logger.setClock(wall, rig.clock.now()); };
    if (fault == "ahead") // midnight comes on the logger between the runs, not on this computer
        setClock(test::rigWallClock().addSecs(9 * 3600 + 50 * 60));
    if (fault == "wrapping") {
        logger.setMemoryCapacity(24);
        logger.setMemoryWrapping(true);
    }
    logger.fillMemory(20);
    if (fault == "empty")
        logger.setMemoryLines(logger.memoryLines() << QString());
    const QStringList first = rig.memory(logger);
    const LoggerReport one = rig.run();
    QVERIFY2(one.collected, qPrintable(summary(one)));

    const QDateTime now = logger.clockAt(rig.clock.now());
    if (fault == "back" || fault == "back and on")
        setClock(now.addDays(-2));
    if (fault == "reset")
        setClock(QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC));
    if (fault == "erased")
        logger.eraseMemory();
    if (fault == "back and on") { // three lines two days back, then two after the mark's
        rig.acquire(3);
        setClock(now.addSecs(1800));
    }
    if (fault != "nothing new")
        rig.acquire(fault == "back and on" ? 2 : 5);
    const QStringList second = rig.memory(logger);
    const LoggerReport two = rig.run();

    QVERIFY2(two.collected && summary(two).startsWith("collected") && summary(two).contains(note) &&
                 (!note.isEmpty() || two.notes.isEmpty()),
             qPrintable(summary(two)));
    QCOMPARE(two.file.isEmpty(), fault == "nothing new");
    // Each line the logger stored is in the data files once, in order.
    QCOMPARE(Rig::collected(rig.complete), storedLines(first, second));
    // Nothing else is left beside them.
    QCOMPARE(QDir(rig.dir.filePath("data")).entryList(QDir::Files).size(), rig.complete.size());
}

void TestCollector::devicePathsShareLockAndMark()
{
    Rig rig(false);
    rig.logger.fillMemory(10);
    const QString device = rig.dir.filePath("ttyUSB0");
    QVERIFY(test::writeBytes(device, ""));
    rig.cable = rig.dir.filePath("usb-FTDI-if00-port0"); // as in /dev/serial/by-id
    QVERIFY(QFile::link(device, rig.cable));
    {
        // Another run holds the device by its own name: the link is the same port.
        CollectLock other(rig.dir.path(), CollectLock::devicePath(device));
        QVERIFY(other.tryLock());
        const LoggerReport held = rig.run();
        QVERIFY2(held.result.startsWith("not collected: being collected by process "),
                 qPrintable(held.result));
    }
    QVERIFY(rig.run().collected);
    rig.acquire(2);
    rig.cable = device;
    const LoggerReport byDevice = rig.run();
    QCOMPARE(summary(byDevice), "collected"); // the mark was found: no first collection
    QCOMPARE(byDevice.lines, 2);
}

void TestCollector::clockSetWhenOff()
{
    Rig rig(false, 60);
    rig.logger.setClock(test::rigWallClock().addSecs(-600), rig.clock.now());
    rig.logger.fillMemory(3);
    const LoggerReport r = rig.run();
    QVERIFY(r.clockSet && std::abs(*r.driftSeconds + 600) <= 30);
    QVERIFY2(summary(r).endsWith("set to this computer's time; after setting: Logger clock is in "
                                 "step with this computer"),
             qPrintable(summary(r)));
}

void TestCollector::stationsOfOneNameAndABusyOne()
{
    Rig rig(true);
    for (auto* l : {&rig.logger, &rig.twin}) {
        l->setName("TWIN");
        l->fillMemory(12);
    }
    const QStringList first[2] = {rig.memory(rig.logger), rig.memory(rig.twin)};
    const QList<LoggerReport> one = rig.runAll();
    // The modem window saves another row meanwhile; the collection changes only its own.
    StationTable edited = rig.files.load().stations;
    edited[5] = {"NEW", "0555", {}, {}};
    QVERIFY(rig.files.save(edited, nullptr));
    rig.acquire(4);
    const QStringList second[2] = {rig.memory(rig.logger), rig.memory(rig.twin)};
    const QList<LoggerReport> two = rig.runAll();
    QCOMPARE(collectreport::exitCode(two), 1);
    QCOMPARE(summary(two[1]), "not collected: the modem answered BUSY");
    QVERIFY(!two[1].hungUp);
    for (const int row : {0, 2}) {
        QCOMPARE(summary(two[row]), "collected; hung up");
        QCOMPARE(Rig::collected({one[row].file, two[row].file}),
                 storedLines(first[row / 2], second[row / 2]));
    }
    const StationTable saved = rig.files.load().stations;
    QCOMPARE(saved[5].Nome, "NEW");
    QCOMPARE(QStringList({saved[0].Uldata, saved[1].Uldata, saved[2].Uldata}),
             QStringList({"05/12/2026", "", "05/12/2026"}));
}

void TestCollector::droppedCall_data()
{
    // Where the modem's "<CR><LF>NO CARRIER<CR><LF>" is split between two reads, and where the
    // download stands when the call drops: after so many lines, so many bytes into the next
    // (-1: the last of them without its LF).
    QTest::addColumn<QList<int>>("at");
    QTest::newRow("after its CR, a line cut") << QList<int>{1, 3, 20};
    QTest::newRow("after its CR LF, a line cut") << QList<int>{2, 3, 20};
    QTest::newRow("in the word, at a line's end") << QList<int>{7, 4, 0};
    QTest::newRow("before its last LF, a line without its LF") << QList<int>{13, 4, -1};
}

void TestCollector::droppedCall()
{
    QFETCH(QList<int>, at);
    const int split = at[0], whole = at[1], into = at[2];
    Rig rig(true);
    rig.logger.fillMemory(20);
    // The modem's word in the logger's own lines: a channel name at a line's start, inside a
    // line, at a line's start but longer.
    QStringList lines = rig.memory(rig.logger);
    lines[1] = "NO CARRIER," + lines[1];
    lines[2] += " NO CARRIER";
    lines[3] = "NO CARRIERS " + lines[3];
    rig.logger.setMemoryLines(lines);
    const qsizetype bytes = lines.mid(0, whole).join("\r\n").size() + 2;
    rig.modem.splitResults(split, milliseconds(30));
    rig.clock.setOnWaitStep([&] {
        // The request for the memory comes after the counts.
        if (!rig.logger.commands().isEmpty() && rig.logger.commands().last().letter == 'M')
            rig.logger.setDropAfterBytes(bytes + into);
    });
    const LoggerReport cut = rig.run(0);
    rig.clock.setOnWaitStep({});
    QCOMPARE(summary(cut), "not collected: the line was lost during the download; first "
                           "collection: the whole memory; the call had dropped; ATH answered OK");
    // Whole lines only, as the logger stored them: the one the drop cut is not among them.
    const int kept = into < 0 ? whole - 1 : whole;
    QCOMPARE(Rig::collected({cut.file}), lines.mid(0, kept));
    QCOMPARE(cut.lines, kept);

    const LoggerReport again = rig.run(0);
    QCOMPARE(summary(again), "collected; first collection: the whole memory; hung up");
    QCOMPARE(Rig::collected(rig.complete), lines);
}

void TestCollector::modemFaults_data()
{
    const QString lost = "not collected: the line was lost during the download";
    const QString stopped = "not collected: the logger stopped sending";
    // clang-format off
    test::addRows<Case>({
        {"modem's port busy", {"busy port", "not collected: COM 2 (COM2) is used by another program — close it and try again"}},
        {"modem's port missing", {"missing port", "not collected: COM 2 (COM2) does not exist — is the adapter plugged in?"}},
        {"the port gone when hanging up", {"gone", lost, "could not hang up: COM 2 (COM2) is used by another program"}},
        {"a signal before the dial", {"signal", "not collected: stopped by SIGTERM"}},
        {"the station busy", {"busy", "not collected: the modem answered BUSY"}},
        {"a silent download, then the clock", {"silent", stopped, "clock gave no readable answer; hung up"}},
        {"a dial given up as it connects", {"late", "not collected: no connection within 2 s", "hung up"}},
        {"a silent logger", {"mute", "not collected: the call connected, but no logger answered on the line", "hung up"}},
    });
    // clang-format on
}

void TestCollector::modemFaults()
{
    QFETCH(Case, row);
    const QString fault = row.fault;
    Rig rig(true, 60, seconds(fault == "late" ? 2 : 60));
    rig.logger.fillMemory(20);
    if (fault == "busy port")
        rig.port.setBusyPorts({"COM2"});
    if (fault == "missing port")
        rig.port.setExistingPorts({"COM3"});
    if (fault == "gone")
        rig.modem.dropNextCallAfter("0212345", 500);
    const auto downloading = [&] {
        return !rig.logger.commands().isEmpty() && rig.logger.commands().last().letter == 'A';
    };
    if (fault == "busy")
        rig.modem.busyNextCall("0212345");
    if (fault == "silent")
        rig.logger.cutNextDownload(500);
    if (fault == "mute")
        rig.logger.setSilentFrom(1);
    rig.collector->setProgress([&](const QString& text, bool) {
        if (fault == "signal" && text.contains("dialling"))
            rig.collector->requestStop("SIGTERM");
    });
    rig.clock.setOnWaitStep([&] {
        // Another program takes the port once the call is up, and the logger answers nothing
        // from its download on.
        if (fault == "gone" && downloading())
            rig.port.setBusyPorts({"COM2"});
        if (fault == "silent" && downloading())
            rig.logger.setSilentFrom(int(rig.logger.commandCount()) + 1);
    });
    const LoggerReport r = rig.run(0);
    rig.clock.setOnWaitStep({});
    QCOMPARE(r.result, row.said);
    QVERIFY2(r.notes.join("; ").contains(row.notes), qPrintable(r.notes.join("; ")));
    const bool called = fault == "gone" || fault == "silent" || fault == "mute" || fault == "late";
    QCOMPARE(r.hungUp.has_value(), called);
    QCOMPARE(r.hungUp.value_or(false), called && fault != "gone");
    QCOMPARE(collectreport::exitCode({r}), 2);
    // Dialled only when nothing stood in the way before.
    QCOMPARE(rig.modem.commandLines().filter("ATD").size(), called || fault == "busy" ? 1 : 0);
    // A logger gone silent costs one time limit, not one more for the clock.
    if (fault == "silent")
        QVERIFY2(rig.clock.elapsed() < seconds(60), qPrintable(QString::number(rig.ms())));
}

QTEST_GUILESS_MAIN(TestCollector)
#include "tst_collector.moc"

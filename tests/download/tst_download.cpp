// Downloading the logger's memory: the request on the wire, the stream into the file, the
// DOWNLOAD page and its message for every way a transfer ends, and the emulator's memory
// read back line by line.
#include "download/DownloadPage.h"
#include "download/MemoryDownload.h"
#include "support/EmulatorRig.h"
#include "support/ScriptedPeer.h"
#include "windows/main/CommandLock.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using Range = std::optional<korvelan::DateRange>;
Q_DECLARE_METATYPE(Range)

namespace {

const QString kName = QStringLiteral("SITE1_05_12_26_SENS.txt");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// n lines of a memory, numbered from `first`, each ended as the file ends them.
QByteArray memoryLines(int n, int first = 1)
{
    QByteArray out;
    for (int i = first; i < first + n; ++i)
        out += QByteArray::number(i).rightJustified(5, '0') + ";12/05/2025 10:30;1.5\r\n";
    return out;
}

// A scripted logger over an in-memory line, and the DOWNLOAD page on it.
struct Rig
{
    LoggerSession session;
    VirtualClock clock;
    test::ScriptedPeer peer;
    MemoryChannel channel{peer, clock};
    test::ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [](int) { return QString("COM1"); }};
    QTemporaryDir dir;
    TimePoint requestEnded{};
    CommandLock lock{transport};
    QLineEdit box; // the main window's data file box
    QString folder = dir.path();
    DownloadPage page{transport,
                      lock,
                      prompter,
                      [this] { return folder; },
                      [] { return QStringLiteral("SITE1"); },
                      &box};
    QStringList boxTexts;

    Rig()
    {
        clock.addSource([this] { return peer.nextEvent(); });
        session.PortaSempreAperta = true;
        session.Porta = 1;
        channel.setPortName(QStringLiteral("COM1"));
        channel.open(LineSettings{}, nullptr);
        page.setDateSource([] { return QDate(2026, 12, 5); });
        lock.add(page.acquisisci());
        QObject::connect(&box, &QLineEdit::textChanged,
                         [this](const QString& t) { boxTexts << t; });
    }
    // Once the request is complete the logger sends each piece `gap` after the one before.
    void answerRequest(QList<QByteArray> pieces, Duration first = milliseconds(50),
                       Duration gap = milliseconds(10))
    {
        peer.onReceive = [this, pieces, first, gap](const QByteArray&, TimePoint at) {
            if (!peer.received().endsWith("A0,") && !peer.received().endsWith("A1,"))
                return;
            requestEnded = at;
            for (qsizetype i = 0; i < pieces.size(); ++i)
                peer.say(pieces[i], at + first + i * gap);
        };
    }
    template <typename T = QAbstractButton> T* control(const char* name)
    {
        return page.findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) { control(name)->click(); }
    [[nodiscard]] QString file() const { return dir.filePath(kName); }
    [[nodiscard]] QString label() { return control<QLabel>("lblAvanzamento")->text(); }
};

} // namespace

class DownloadTest : public QObject
{
    Q_OBJECT
private slots:
    void streamBecomesLines_data();
    void streamBecomesLines();
    void wholeMemoryThenARange();
    void bigStreamTakesEachBatchWhole();
    void faultsKeepWhatCame_data();
    void faultsKeepWhatCame();
    void stopDrainsTheRestOfTheStream();
    void fileErrors_data();
    void fileErrors();
    void emulatorMemoryArrivesLineByLine_data();
    void emulatorMemoryArrivesLineByLine();
};

void DownloadTest::streamBecomesLines_data()
{
    QTest::addColumn<Range>("range");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("leftOver"); // characters after the last LF
    using L = QList<QByteArray>;
    const QByteArray all = "A0,";
    QTest::newRow("CR LF and LF") << Range() << all << L{"ab\r\ncd\n\x03"}
                                  << QByteArray("ab\r\ncd\r\n") << QByteArray();
    QTest::newRow("last century to this, no LF before ETX")
        << Range(DateRange{QDate(1999, 10, 9), QDate(2000, 1, 1)})
        << QByteArray("A2,9,10,99,0,0,0,A3,1,1,100,23,59,59,A1,") << L{"ab\nef\x03"}
        << QByteArray("ab\r\n") << QByteArray("ef");
    QTest::newRow("empty memory") << Range() << all << L{"\x03"} << QByteArray() << QByteArray();
    // A stream that never ends a line is cut into lines of 64 KiB (and the batch that
    // crossed it): memory stays bounded, no character is lost.
    L endless(70, QByteArray(1000, 'x'));
    endless << "\n\x03";
    QTest::newRow("no LF for 70,000 characters")
        << Range() << all << endless
        << QByteArray(66000, 'x') + "\r\n" + QByteArray(4000, 'x') + "\r\n"
        << QByteArray();
    QTest::newRow("CR anywhere") << Range() << all << L{"\ra\rb\r\r\nc\n\r\x03"}
                                 << QByteArray("ab\r\nc\r\n") << QByteArray();
    QTest::newRow("empty lines") << Range() << all << L{"\n\r\n\n\x03"}
                                 << QByteArray("\r\n\r\n\r\n") << QByteArray();
    QTest::newRow("split anywhere") << Range() << all << L{"12,3", "4\r", "\n56", "\n", "7", "\x03"}
                                    << QByteArray("12,34\r\n56\r\n") << QByteArray("7");
    QTest::newRow("nothing after ETX") << Range() << all
                                       << L{"a\n\x03"
                                            "b\n",
                                            "c\n"}
                                       << QByteArray("a\r\n") << QByteArray();
    QTest::newRow("any byte is data") << Range() << all
                                      << L{QByteArray("\xb0"
                                                      "C\0;\x7f\n\x03",
                                                      7)}
                                      << QByteArray("\xb0"
                                                    "C\0;\x7f\r\n",
                                                    7)
                                      << QByteArray();
}

void DownloadTest::streamBecomesLines()
{
    QFETCH(Range, range);
    QFETCH(QByteArray, wire);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, leftOver);
    Rig rig;
    rig.answerRequest(pieces);
    // Leftovers of an earlier reply never reach the file.
    rig.session.BufferRicezione = "stale";
    rig.peer.say("junk\n", rig.clock.now());
    MemoryDownload download(rig.transport);
    const auto result = download.run(rig.file(), range);
    QCOMPARE(result.outcome, DownloadOutcome::Completed);
    QCOMPARE(rig.peer.received(), wire);
    QCOMPARE(contents(rig.file()), file);
    QCOMPARE(result.lines, file.count("\r\n"));
    QCOMPARE(rig.session.BufferRicezione, leftOver);
}

void DownloadTest::wholeMemoryThenARange()
{
    Rig rig;
    // Lines far enough apart that each one is shown as it comes.
    rig.answerRequest({"L1\r\n", "L2\r\n", "L3\r\n", "\x03"}, milliseconds(50), milliseconds(300));
    bool lockedMeanwhile = false;
    bool stopUsableMeanwhile = false;
    int secondClicks = 0;
    rig.clock.setOnWaitStep([&] {
        if (rig.page.downloading()) {
            lockedMeanwhile = !rig.page.acquisisci()->isEnabled();
            stopUsableMeanwhile = rig.control("cmdInterrompi")->isEnabled();
            if (secondClicks++ == 0)
                rig.page.Acquisisci(); // a click delivered from inside the wait
        }
    });
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});

    QCOMPARE(rig.peer.received(), QByteArray("A0,"));
    QCOMPARE(contents(rig.file()), QByteArray("L1\r\nL2\r\nL3\r\n"));
    QCOMPARE(rig.boxTexts, (QStringList{kName, QDir::toNativeSeparators(rig.file()), "",
                                        "Please wait..", "L1", "L2", "L3", "Data saved.", kName}));
    QCOMPARE(rig.prompter.beeps, 2);
    QVERIFY(rig.prompter.shown.isEmpty());
    QVERIFY(lockedMeanwhile && stopUsableMeanwhile);
    QVERIFY(rig.page.acquisisci()->isEnabled() && !rig.control("cmdInterrompi")->isEnabled());
    QVERIFY(rig.label().startsWith("Lines: 3   Bytes: 13   Time: 0:0"));

    // A range: refused, with its message and nothing sent or touched; then typed without
    // leading zeros, and the same day's file is replaced.
    auto* from = rig.control<QLineEdit>("txtScaricaDal");
    auto* to = rig.control<QLineEdit>("txtScaricaAl");
    QVERIFY(!from->isEnabled() && !to->isEnabled());
    rig.click("optTutti1");
    QVERIFY(from->isEnabled() && to->isEnabled());
    QCOMPARE(to->text(), QStringLiteral("05/12/2026"));
    from->setText("06/12/2026");
    rig.click("Acquisisci");
    QCOMPARE(rig.prompter.texts(),
             QStringList{"Starting date can not be after last date for data"});
    QCOMPARE(rig.prompter.shown[0].title, QStringLiteral("Cancelled"));
    QCOMPARE(rig.peer.received(), QByteArray("A0,"));
    QCOMPARE(contents(rig.file()), QByteArray("L1\r\nL2\r\nL3\r\n"));
    QCOMPARE(rig.boxTexts.size(), 9);
    QVERIFY(!rig.lock.locked());
    rig.answerRequest({"a\n\x03"});
    from->setText("5/12/2026");
    rig.click("Acquisisci");
    QCOMPARE(rig.peer.received(), QByteArray("A0,A2,5,12,126,0,0,0,A3,5,12,126,23,59,59,A1,"));
    QCOMPARE(contents(rig.file()), QByteArray("a\r\n"));

    // Without a date source the end box holds the system's today.
    DownloadPage page(rig.transport, rig.lock, rig.prompter, {}, {}, nullptr);
    QCOMPARE(page.findChild<QLineEdit*>("txtScaricaAl")->text(),
             QDate::currentDate().toString("dd/MM/yyyy"));
}

void DownloadTest::bigStreamTakesEachBatchWhole()
{
    // 20,000 lines in 20 batches: a loop that took one character per pass would wait a
    // million times, and a box repainted for each line would cost more than the line.
    Rig rig;
    QList<QByteArray> batches;
    for (int b = 0; b < 20; ++b)
        batches << memoryLines(1000, 1 + 1000 * b);
    const QByteArray all = batches.join();
    rig.answerRequest(batches << "\x03", milliseconds(50), milliseconds(30));
    const int waitsBefore = rig.clock.waitsWithEvents();
    rig.click("Acquisisci");
    QVERIFY(rig.clock.waitsWithEvents() - waitsBefore <= 25);
    QCOMPARE(contents(rig.file()), all);
    const auto saved = rig.boxTexts.indexOf("Data saved.");
    QVERIFY2(saved > 0 && saved < 20, qPrintable(QString::number(saved)));
    QCOMPARE(rig.boxTexts[saved - 1], QString::fromLatin1(memoryLines(1, 20000).chopped(2)));
    QVERIFY(
        rig.label().startsWith(QStringLiteral("Lines: 20000   Bytes: %1 ").arg(all.size() + 1)));
}

void DownloadTest::faultsKeepWhatCame_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("endsAfterMs"); // after the request; 0: soon after the stop
    QTest::newRow("silence") << "silence"
                             << "The logger stopped sending data: nothing came for 20 s." << 22050;
    QTest::newRow("no answer at all")
        << "mute"
        << "The logger did not answer the download request within 120 s." << 120000;
    QTest::newRow("line drop") << "drop"
                               << "The link to the logger was lost during the download." << 5000;
    QTest::newRow("stop button") << "stop"
                                 << "Download stopped." << 0;
    QTest::newRow("restore menu") << "restore"
                                  << "Download stopped." << 0;
}

void DownloadTest::faultsKeepWhatCame()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QFETCH(int, endsAfterMs);
    Rig rig;
    // Two whole lines and half of a third, then the fault.
    const QByteArray sent = fault == "mute" ? "" : memoryLines(1, 1) + memoryLines(1, 2) + "00003";
    rig.answerRequest({sent.left(30), sent.mid(30)}, milliseconds(50), seconds(2));
    if (fault == "drop") {
        rig.peer.onReceive = [&, answer = rig.peer.onReceive](const QByteArray& b, TimePoint at) {
            answer(b, at);
            if (rig.requestEnded == at)
                rig.peer.dropAt(at + seconds(5));
        };
    }
    QSet<QString> labels; // even while the logger is silent the time runs on
    rig.clock.setOnWaitStep([&] {
        labels << rig.label();
        if (rig.requestEnded == TimePoint{} || rig.clock.now() - rig.requestEnded < seconds(3))
            return;
        if (fault == "stop")
            rig.click("cmdInterrompi");
        else if (fault == "restore")
            rig.transport.cancelExchange(); // what "RESTORE " does while an exchange waits
    });
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});

    const auto took = rig.clock.now() - rig.requestEnded;
    // A limit counts from the end of the request (its last character's pause included).
    QVERIFY2(endsAfterMs ? took >= milliseconds(endsAfterMs) &&
                               took <= milliseconds(endsAfterMs) + milliseconds(11)
                         : took < seconds(4),
             qPrintable(QString::number(duration_cast<microseconds>(took).count())));
    QVERIFY(labels.size() >= endsAfterMs / 2000);
    const int lines = fault == "mute" ? 0 : 2;
    QCOMPARE(contents(rig.file()), memoryLines(lines));
    const QString saved = QStringLiteral("\nLines received and saved: %1\nFile: %2")
                              .arg(lines)
                              .arg(QDir::toNativeSeparators(rig.file()));
    QCOMPARE(rig.prompter.texts(), QStringList{message + saved});
    QVERIFY(!rig.lock.locked() && !rig.control("cmdInterrompi")->isEnabled());
    QCOMPARE(rig.box.text(), kName);
    QCOMPARE(rig.prompter.beeps, 0);
    // The link is fit for the next download.
    if (fault != "drop") {
        rig.answerRequest({"z\n\x03"});
        rig.click("Acquisisci");
        QCOMPARE(contents(rig.file()), QByteArray("z\r\n"));
    }
}

void DownloadTest::stopDrainsTheRestOfTheStream()
{
    Rig rig;
    // The logger goes on sending for two seconds after the request; Stop comes after one.
    QList<QByteArray> pieces;
    for (int i = 1; i <= 40; ++i)
        pieces << memoryLines(1, i);
    pieces << "\x03";
    rig.answerRequest(pieces, milliseconds(50), milliseconds(50));
    rig.clock.setOnWaitStep([&] {
        if (rig.requestEnded != TimePoint{} && rig.clock.now() - rig.requestEnded >= seconds(1))
            rig.click("cmdInterrompi");
    });
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});
    QVERIFY(rig.clock.now() - rig.requestEnded >= milliseconds(2050)); // up to the ETX
    QVERIFY(contents(rig.file()).size() < memoryLines(21).size());
    // The next exchange hears its own answer, not the rest of the memory.
    rig.peer.onReceive = [&](const QByteArray& b, TimePoint at) {
        if (b == "Q")
            rig.peer.say("SITE1,", at + milliseconds(20));
    };
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("Q"), QString());
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("SITE1"));
    });
}

void DownloadTest::fileErrors_data()
{
    QTest::addColumn<bool>("created");
    QTest::newRow("folder gone (a removed stick)") << false;
    QTest::newRow("disk full") << true;
}

void DownloadTest::fileErrors()
{
    QFETCH(bool, created);
    Rig rig;
    rig.box.setText("before.txt");
    rig.answerRequest({memoryLines(3), "\x03"}, milliseconds(50), seconds(1));
    if (!created)
        rig.folder = rig.dir.filePath("gone");
    else if (!QFile::link("/dev/full", rig.file())) // opens, but takes nothing
        QSKIP("no /dev/full here");
    rig.click("Acquisisci");
    // The system's reason, then the path.
    const QString path = QDir::toNativeSeparators(rig.folder + u'/' + kName);
    QCOMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown[0].title, QString());
    QVERIFY(rig.prompter.shown[0].text.endsWith(u'\n' + path));
    QVERIFY(rig.prompter.shown[0].text.size() > path.size() + 1);
    QVERIFY(!rig.lock.locked());
    QCOMPARE(rig.box.text(), created ? kName : "before.txt");
    // Nothing is asked of the logger; on a full disk, it stops at the first batch.
    QCOMPARE(rig.peer.received(), created ? QByteArray("A0,") : QByteArray());
    QVERIFY(!created || rig.clock.now() - rig.requestEnded < seconds(1));
}

void DownloadTest::emulatorMemoryArrivesLineByLine_data()
{
    QTest::addColumn<Range>("range");
    QTest::addColumn<int>("dropAfter"); // bytes at 9600 baud; 0: no drop
    QTest::addColumn<int>("expected");
    QTest::newRow("whole memory") << Range() << 0 << 240;
    QTest::newRow("two days") << Range(DateRange{QDate(2026, 12, 3), QDate(2026, 12, 4)}) << 0
                              << 48;
    QTest::newRow("before the memory")
        << Range(DateRange{QDate(2025, 1, 1), QDate(2025, 1, 31)}) << 0 << 0;
    QTest::newRow("line drops") << Range() << 5000 << -1;
}

void DownloadTest::emulatorMemoryArrivesLineByLine()
{
    QFETCH(Range, range);
    QFETCH(int, dropAfter);
    QFETCH(int, expected);
    // Ten days of hourly acquisitions up to the logger's present.
    test::SimRig rig;
    rig.logger.setAcquiring(false, rig.now());
    QStringList held;
    for (int h = 10 * 24; h > 0; --h)
        held << rig.logger.acquisitionLine(test::rigWallClock().addSecs(-3600 * h));
    rig.logger.setMemoryLines(held);
    if (range)
        held = rig.logger.memory().linesBetween(QDateTime(range->from, QTime(0, 0)),
                                                QDateTime(range->to, QTime(23, 59, 59)));
    if (dropAfter) {
        rig.logger.setPace(sim::Pace::Baud9600);
        rig.logger.setDropAfterBytes(dropAfter);
        // Every whole line that came before the drop.
        const QString sent = held.join("\r\n").left(dropAfter);
        held = sent.left(sent.lastIndexOf('\n') + 1).split("\r\n", Qt::SkipEmptyParts);
        expected = int(held.size());
    }
    QTemporaryDir dir;
    MemoryDownload download(rig.transport);
    const auto result = download.run(dir.filePath("d.txt"), range);
    QCOMPARE(result.outcome, dropAfter ? DownloadOutcome::LineLost : DownloadOutcome::Completed);
    QCOMPARE(result.lines, expected);
    const QByteArray file = contents(dir.filePath("d.txt"));
    QCOMPARE(QString::fromLatin1(file).split("\r\n", Qt::SkipEmptyParts), held);
    QVERIFY(file.isEmpty() || file.endsWith("\r\n"));
    if (dropAfter) { // 5,000 characters take 5.2 s on the line
        QCOMPARE(result.bytes, dropAfter);
        QVERIFY(result.elapsed > milliseconds(5200) && result.elapsed < seconds(6));
    }
}

QTEST_MAIN(DownloadTest)
#include "tst_download.moc"

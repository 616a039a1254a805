// The memory download without a window: the request on the wire, the stream into the file,
// and every way a transfer can end.
#include "DownloadRig.h"
#include "download/MemoryDownload.h"

#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::DownloadRig;
using test::memoryLines;

Q_DECLARE_METATYPE(DownloadOutcome)

class MemoryDownloadTest : public QObject {
    Q_OBJECT
private slots:
    void requestOnTheWire_data();
    void requestOnTheWire();
    void streamBecomesLines_data();
    void streamBecomesLines();
    void replacesAnExistingFile();
    void takesEachBatchWhole();
    void progressRunsWhileTheLoggerIsQuiet();
    void interruptedTransferKeepsWhatCame_data();
    void interruptedTransferKeepsWhatCame();
    void fileThatCannotBeCreated();
    void fileThatCannotBeWritten();
};

void MemoryDownloadTest::requestOnTheWire_data()
{
    QTest::addColumn<QDate>("from");  // invalid: whole memory
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("whole memory") << QDate() << QDate() << QByteArray("A0,");
    QTest::newRow("one day") << QDate(2026, 12, 5) << QDate(2026, 12, 5)
                             << QByteArray("A2,5,12,126,0,0,0,A3,5,12,126,23,59,59,A1,");
    QTest::newRow("across a month") << QDate(2025, 1, 31) << QDate(2025, 2, 1)
                                    << QByteArray("A2,31,1,125,0,0,0,A3,1,2,125,23,59,59,A1,");
    QTest::newRow("last century") << QDate(1999, 10, 9) << QDate(2000, 1, 1)
                                  << QByteArray("A2,9,10,99,0,0,0,A3,1,1,100,23,59,59,A1,");
}

void MemoryDownloadTest::requestOnTheWire()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QByteArray, wire);
    DownloadRig rig;
    rig.answerRequest({"x\n\x03"});
    // Leftovers of an earlier reply never reach the file.
    rig.session.BufferRicezione = "stale";
    rig.peer.say("junk\n", rig.clock.now());
    std::optional<DateRange> range;
    if (from.isValid())
        range = DateRange{from, to};
    MemoryDownload download(rig.transport);
    const auto result = download.run(rig.path(), range);
    QCOMPARE(result.outcome, DownloadOutcome::Completed);
    QCOMPARE(rig.peer.received(), wire);
    QCOMPARE(DownloadRig::contents(rig.path()), QByteArray("x\r\n"));
}

void MemoryDownloadTest::streamBecomesLines_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("leftOver");  // characters after the last LF
    using L = QList<QByteArray>;
    QTest::newRow("CR LF and LF") << L{"ab\r\ncd\n\x03"} << QByteArray("ab\r\ncd\r\n") << QByteArray();
    QTest::newRow("no LF before ETX") << L{"ab\nef\x03"} << QByteArray("ab\r\n") << QByteArray("ef");
    QTest::newRow("empty memory") << L{"\x03"} << QByteArray() << QByteArray();
    QTest::newRow("CR anywhere") << L{"\ra\rb\r\r\nc\n\r\x03"} << QByteArray("ab\r\nc\r\n")
                                 << QByteArray();
    QTest::newRow("empty lines") << L{"\n\r\n\n\x03"} << QByteArray("\r\n\r\n\r\n") << QByteArray();
    QTest::newRow("split anywhere") << L{"12,3", "4\r", "\n56", "\n", "7", "\x03"}
                                    << QByteArray("12,34\r\n56\r\n") << QByteArray("7");
    QTest::newRow("nothing after ETX") << L{"a\n\x03" "b\n", "c\n"} << QByteArray("a\r\n")
                                       << QByteArray();
    QTest::newRow("any byte is data") << L{QByteArray("\xb0" "C\0;\x7f\n\x03", 7)}
                                      << QByteArray("\xb0" "C\0;\x7f\r\n", 7) << QByteArray();
}

void MemoryDownloadTest::streamBecomesLines()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, leftOver);
    DownloadRig rig;
    rig.answerRequest(pieces);
    MemoryDownload download(rig.transport);
    const auto result = download.run(rig.path(), std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::Completed);
    QCOMPARE(DownloadRig::contents(rig.path()), file);
    QCOMPARE(result.lines, file.count("\r\n"));
    QCOMPARE(rig.session.BufferRicezione, leftOver);
}

void MemoryDownloadTest::replacesAnExistingFile()
{
    DownloadRig rig;
    {
        QFile old(rig.path());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(memoryLines(50));
    }
    rig.answerRequest({"new\n\x03"});
    MemoryDownload download(rig.transport);
    QCOMPARE(download.run(rig.path(), std::nullopt).outcome, DownloadOutcome::Completed);
    QCOMPARE(DownloadRig::contents(rig.path()), QByteArray("new\r\n"));
}

void MemoryDownloadTest::takesEachBatchWhole()
{
    // 20,000 lines in 20 batches: a loop that took one character per pass would wait
    // a million times.
    DownloadRig rig;
    QList<QByteArray> batches;
    QByteArray all;
    for (int b = 0; b < 20; ++b) {
        batches << memoryLines(1000, 1 + 1000 * b);
        all += batches.last();
    }
    batches << "\x03";
    rig.answerRequest(batches, milliseconds(50), milliseconds(100));
    int reports = 0;
    DownloadProgress last;
    MemoryDownload download(rig.transport);
    download.setProgressHandler([&](const DownloadProgress& p) {
        ++reports;
        last = p;
    });
    const int waitsBefore = rig.clock.waitsWithEvents();
    const auto result = download.run(rig.path(), std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::Completed);
    QCOMPARE(result.lines, 20000);
    QCOMPARE(result.bytes, all.size() + 1);
    QCOMPARE(DownloadRig::contents(rig.path()), all);
    QVERIFY2(rig.clock.waitsWithEvents() - waitsBefore <= 25,
             qPrintable(QString::number(rig.clock.waitsWithEvents() - waitsBefore)));
    QVERIFY(reports <= 25);
    QCOMPARE(last.lines, 20000);
    QCOMPARE(last.lastLine, memoryLines(1, 20000).chopped(2));
    QVERIFY(result.elapsed >= milliseconds(50 + 20 * 100));
}

void MemoryDownloadTest::progressRunsWhileTheLoggerIsQuiet()
{
    // A logger that searches its memory for 10 s before it answers: the operator still
    // sees the time run on, once a second.
    DownloadRig rig;
    rig.answerRequest({"a\n\x03"}, seconds(10));
    QList<Duration> seen;
    MemoryDownload download(rig.transport);
    download.setProgressHandler([&](const DownloadProgress& p) { seen << p.elapsed; });
    QCOMPARE(download.run(rig.path(), std::nullopt).outcome, DownloadOutcome::Completed);
    QVERIFY2(seen.size() >= 10, qPrintable(QString::number(seen.size())));
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
}

void MemoryDownloadTest::interruptedTransferKeepsWhatCame_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<DownloadOutcome>("outcome");
    QTest::newRow("logger falls silent") << "silence" << DownloadOutcome::TimedOut;
    QTest::newRow("line drops") << "drop" << DownloadOutcome::LineLost;
    QTest::newRow("operator cancels") << "cancel" << DownloadOutcome::Cancelled;
}

void MemoryDownloadTest::interruptedTransferKeepsWhatCame()
{
    QFETCH(QString, fault);
    QFETCH(DownloadOutcome, outcome);
    DownloadRig rig;
    // Two whole lines and half of a third, then the fault.
    rig.answerRequest({memoryLines(1, 1), memoryLines(1, 2) + "00003;12/05"}, milliseconds(50),
                      seconds(2));
    MemoryDownload download(rig.transport);
    qint64 linesSeen = 0;
    download.setProgressHandler([&](const DownloadProgress& p) { linesSeen = p.lines; });
    if (fault == "drop") {
        rig.peer.onReceive = [&, answer = rig.peer.onReceive](const QByteArray& b, TimePoint at) {
            answer(b, at);
            if (rig.requestEnded == at)
                rig.peer.dropAt(at + seconds(5));
        };
    } else if (fault == "cancel") {
        rig.clock.setOnWaitStep([&] {
            if (linesSeen == 2)
                download.cancel();
        });
    }
    const auto result = download.run(rig.path(), std::nullopt);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.lines, 2);
    QCOMPARE(DownloadRig::contents(rig.path()), memoryLines(2));
    QVERIFY(!download.running());
    const auto sinceRequest = rig.clock.now() - rig.requestEnded;
    if (fault == "silence")  // the last byte came 2.05 s after the request
        QCOMPARE(sinceRequest, Duration(milliseconds(2050) + MemoryDownload::kSilenceLimit));
    else if (fault == "drop")
        QCOMPARE(sinceRequest, Duration(seconds(5)));
    else
        QVERIFY(sinceRequest < seconds(3));
    // The link is fit for the next exchange once it begins.
    if (fault != "drop") {
        rig.transport.beginExchange();
        rig.answerRequest({"z\n\x03"});
        QCOMPARE(download.run(rig.path(), std::nullopt).outcome, DownloadOutcome::Completed);
        QCOMPARE(DownloadRig::contents(rig.path()), QByteArray("z\r\n"));
    }
}

void MemoryDownloadTest::fileThatCannotBeCreated()
{
    DownloadRig rig;
    rig.answerRequest({"a\n\x03"});
    MemoryDownload download(rig.transport);
    const QString path = rig.dir.filePath(QStringLiteral("removed/data.txt"));
    const auto result = download.run(path, std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::FileError);
    QVERIFY(!result.fileCreated);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.path, path);
    QVERIFY(rig.peer.received().isEmpty());  // nothing is asked of the logger
}

void MemoryDownloadTest::fileThatCannotBeWritten()
{
    // A data file on a full disk: the path leads to /dev/full, which opens but takes nothing.
    DownloadRig rig;
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), rig.path()));
    rig.answerRequest({memoryLines(3), "\x03"}, milliseconds(50), seconds(1));
    MemoryDownload download(rig.transport);
    const auto result = download.run(rig.path(), std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::FileError);
    QVERIFY(result.fileCreated);
    QVERIFY(!result.error.isEmpty());
    // It stops at the first batch instead of waiting for the rest of the memory.
    QVERIFY(rig.clock.now() - rig.requestEnded < seconds(1));
}

QTEST_GUILESS_MAIN(MemoryDownloadTest)
#include "tst_memorydownload.moc"

// Downloading the logger's memory: the request on the wire, the stream into the file, the
// DOWNLOAD page with its question when the file exists and its message for every way a
// transfer ends (an earlier file is never lost); the dates typed for a range, the data file's
// name and folder; deleting files and the busy-file check, with another process holding the
// file open.
#include "download/DataFileName.h"
#include "download/DownloadRange.h"
#include "download/FileUtilities.h"
#include "download/MemoryDownload.h"
#include "support/EmulatorRig.h"
#include "support/Files.h"
#include "ui/CommandLock.h"
#include "windows/main/DownloadPage.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace korvelan;
using namespace std::chrono;
using Range = std::optional<korvelan::DateRange>;
Q_DECLARE_METATYPE(Range)

namespace {

const QString kName = QStringLiteral("SITE1_05_12_26_SENS.txt");
const QString kPartial = QStringLiteral("SITE1_05_12_26_SENS.partial.txt");

// n lines of a memory, numbered from `first`, each ended as the file ends them.
QByteArray memoryLines(int n, int first = 1)
{
    QByteArray out;
    for (int i = first; i < first + n; ++i)
        out += QByteArray::number(i).rightJustified(5, '0') + ";12/05/2025 10:30;1.5\r\n";
    return out;
}

// A scripted logger over an in-memory line, and the DOWNLOAD page on it.
struct Rig : test::ScriptedRig
{
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
    [[nodiscard]] QString file(const QString& name = kName) const { return dir.filePath(name); }
    [[nodiscard]] QString native(const QString& name = kName) const
    {
        return QDir::toNativeSeparators(file(name));
    }
    [[nodiscard]] QString label() { return control<QLabel>("lblAvanzamento")->text(); }
};

} // namespace

class DownloadTest : public QObject
{
    Q_OBJECT
private slots:
    void datesAreReadDayFirst_data();
    void datesAreReadDayFirst();
    void rangeChecksInOrder();
    void dataFilePath();
    void busyCheckThenDelete_data();
    void busyCheckThenDelete();
    void movesNeverReplace_data();
    void movesNeverReplace();
    void streamBecomesLines_data();
    void streamBecomesLines();
    void wholeMemoryThenARange();
    void faultsKeepWhatCame_data();
    void faultsKeepWhatCame();
    void stopDrainsTheRestOfTheStream();
    void fileErrors_data();
    void fileErrors();
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
    const struct
    {
        const char* tag;
        L pieces;
        QByteArray file;
        QByteArray leftOver;
    } rows[] = {
        {"CR LF and LF", {"ab\r\ncd\n\x03"}, "ab\r\ncd\r\n", {}},
        {"empty memory", {"\x03"}, {}, {}},
        {"CR anywhere", {"\ra\rb\r\r\nc\n\r\x03"}, "ab\r\nc\r\n", {}},
        {"empty lines", {"\n\r\n\n\x03"}, "\r\n\r\n\r\n", {}},
        {"split anywhere", {"12,3", "4\r", "\n56", "\n", "7", "\x03"}, "12,34\r\n56\r\n", "7"},
        {"nothing after ETX",
         {"a\n\x03"
          "b\n",
          "c\n"},
         "a\r\n",
         {}},
        {"any byte is data",
         {QByteArray("\xb0\x43\0;\x7f\n\x03", 7)},
         QByteArray("\xb0\x43\0;\x7f\r\n", 7),
         {}},
    };
    for (const auto& r : rows)
        // clang-format off
        QTest::newRow(r.tag) << Range() << all << r.pieces << r.file << r.leftOver;
    QTest::newRow("last century to this, no LF before ETX") << Range(DateRange{QDate(1999, 10, 9), QDate(2000, 1, 1)}) << QByteArray("A2,9,10,99,0,0,0,A3,1,1,100,23,59,59,A1,") << L{"ab\nef\x03"} << QByteArray("ab\r\n") << QByteArray("ef");
    // A stream that never ends a line is cut into lines of 64 KiB (and the batch that
    // crossed it): memory stays bounded, no character is lost.
    L endless(70, QByteArray(1000, 'x'));
    endless << "\n\x03";
    QTest::newRow("no LF for 70,000 characters") << Range() << all << endless << QByteArray(66000, 'x') + "\r\n" + QByteArray(4000, 'x') + "\r\n" << QByteArray();
    // clang-format on
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
    QCOMPARE(test::readBytes(rig.file()), file);
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
    QCOMPARE(test::readBytes(rig.file()), QByteArray("L1\r\nL2\r\nL3\r\n"));
    QCOMPARE(rig.boxTexts, (QStringList{kName, QDir::toNativeSeparators(rig.file()), "",
                                        "Please wait..", "L1", "L2", "L3", "Data saved.", kName}));
    QCOMPARE(rig.prompter.beeps, 2);
    QCOMPARE(rig.prompter.texts(),
             QStringList{"Download complete.\nLines saved: 3\nFile: " + rig.native()});
    QVERIFY(lockedMeanwhile && stopUsableMeanwhile);
    QVERIFY(rig.page.acquisisci()->isEnabled() && !rig.control("cmdInterrompi")->isEnabled());
    QVERIFY(rig.label().startsWith("Lines: 3   Bytes: 13   Time: 0:0"));

    // A range: refused, with its message and nothing sent or touched.
    rig.prompter.shown.clear();
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
    QCOMPARE(rig.boxTexts.size(), 9);
    QVERIFY(!rig.lock.locked());

    // Typed without leading zeros, on the same day: the file is there, so the operator is
    // asked, and "Keep both", the default, saves the new data beside it.
    rig.prompter.shown.clear();
    const QString second = QStringLiteral("SITE1_05_12_26_SENS_2.txt");
    rig.answerRequest({"a\n\x03"});
    from->setText("5/12/2026");
    rig.click("Acquisisci");
    QCOMPARE(rig.peer.received(), QByteArray("A0,A2,5,12,126,0,0,0,A3,5,12,126,23,59,59,A1,"));
    const auto question = rig.prompter.shown.value(0);
    QCOMPARE(question.kind, QStringLiteral("choice"));
    QCOMPARE(question.text, "The file " + rig.native() +
                                " already exists.\n\nReplace it with the new data, or keep both "
                                "(the new data is saved as " +
                                second + ")?");
    QCOMPARE(question.answers, (QStringList{"Replace", "Keep both", "Cancel"}));
    QCOMPARE(question.defaultChoice, 1);
    QCOMPARE(test::readBytes(rig.file()), QByteArray("L1\r\nL2\r\nL3\r\n"));
    QCOMPARE(test::readBytes(rig.file(second)), QByteArray("a\r\n"));
    QCOMPARE(rig.box.text(), second);
    QCOMPARE(rig.prompter.shown.value(1).text,
             "Download complete.\nLines saved: 1\nFile: " + rig.native(second));

    // "Replace" puts the new data in place of the file; "Cancel" asks the logger nothing.
    rig.answerRequest({"b\n\x03"});
    rig.prompter.chooseNext("Replace");
    rig.click("Acquisisci");
    QCOMPARE(test::readBytes(rig.file()), QByteArray("b\r\n"));
    const QByteArray sent = rig.peer.received();
    rig.prompter.chooseNext("Cancel");
    rig.click("Acquisisci");
    QCOMPARE(rig.peer.received(), sent);
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), (QStringList{kName, second}));
}

void DownloadTest::faultsKeepWhatCame_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("endsAfterMs"); // after the request; 0: soon after the stop
    // clang-format off
    QTest::newRow("silence") << "silence" << "The logger stopped sending data: nothing came for 20 s." << 22050;
    QTest::newRow("no answer at all") << "mute" << "The logger did not answer the download request within 120 s." << 120000;
    QTest::newRow("line drop") << "drop" << "The link to the logger was lost during the download." << 5000;
    QTest::newRow("stop button") << "stop" << "Download stopped." << 0;
    QTest::newRow("restore menu") << "restore" << "Download stopped." << 0;
    // clang-format on
}

void DownloadTest::faultsKeepWhatCame()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QFETCH(int, endsAfterMs);
    Rig rig;
    // The operator chose to replace the day's file, and an older partial file is there.
    QVERIFY(test::writeBytes(rig.file(), "old\r\n"));
    QVERIFY(test::writeBytes(rig.file(kPartial), "older partial\r\n"));
    rig.prompter.chooseNext("Replace");
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
    // The earlier file and the older partial one are untouched; what came is kept under a
    // partial name of its own, and the message names both files.
    const int lines = fault == "mute" ? 0 : 2;
    const QString partial = QStringLiteral("SITE1_05_12_26_SENS.partial_2.txt");
    QCOMPARE(test::readBytes(rig.file()), QByteArray("old\r\n"));
    QCOMPARE(test::readBytes(rig.file(kPartial)), QByteArray("older partial\r\n"));
    QString text = message + QStringLiteral("\nLines received: %1").arg(lines);
    if (lines) {
        QCOMPARE(test::readBytes(rig.file(partial)), memoryLines(lines));
        text += "\nKept in the partial file: " + rig.native(partial);
    } else {
        QVERIFY(!QFile::exists(rig.file(partial))); // nothing came: no empty file to explain
    }
    text += "\nThe earlier file is unchanged: " + rig.native();
    QCOMPARE(rig.prompter.shown.size(), 2);
    QCOMPARE(rig.prompter.shown[1].text, text);
    QVERIFY(!rig.lock.locked() && !rig.control("cmdInterrompi")->isEnabled());
    QCOMPARE(rig.box.text(), lines ? partial : QString());
    QCOMPARE(rig.prompter.beeps, 0);
    // The link is fit for the next download.
    if (fault != "drop") {
        rig.answerRequest({"z\n\x03"});
        rig.prompter.chooseNext("Replace");
        rig.click("Acquisisci");
        QCOMPARE(test::readBytes(rig.file()), QByteArray("z\r\n"));
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
    QVERIFY(test::readBytes(rig.file()).size() < memoryLines(21).size());
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
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder gone (a removed stick)") << "gone";
#ifdef Q_OS_UNIX
    QTest::newRow("disk full") << "full";
#endif
    QTest::newRow("the name is a folder's") << "taken";
}

void DownloadTest::fileErrors()
{
    QFETCH(QString, fault);
    Rig rig;
    rig.box.setText("before.txt");
    rig.answerRequest({memoryLines(3), "\x03"}, milliseconds(50), seconds(1));
    if (fault == "gone")
        rig.folder = rig.dir.filePath("gone");
    if (fault == "taken") {
        QVERIFY(QDir(rig.dir.path()).mkpath(kName + "/inside"));
        rig.prompter.chooseNext("Replace");
    }
#ifdef Q_OS_UNIX
    // A file may not grow at all: every write fails, as on a full disk.
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const rlimit none{0, before.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    if (fault == "full")
        ::setrlimit(RLIMIT_FSIZE, &none);
#endif
    rig.click("Acquisisci");
#ifdef Q_OS_UNIX
    ::setrlimit(RLIMIT_FSIZE, &before);
#endif
    QVERIFY(!rig.lock.locked());
    const QString text = rig.prompter.shown.last().text;
    QCOMPARE(rig.prompter.shown.last().title, QStringLiteral("Download"));
    if (fault == "taken") {
        // The data is whole, under its partial name, and the message says why it stays there.
        QVERIFY2(text.startsWith("The download is complete, but it cannot be saved as " +
                                 rig.native() + ": "),
                 qPrintable(text));
        QVERIFY(
            text.endsWith("\nLines received: 3\nKept in the partial file: " + rig.native(kPartial) +
                          "\nThe earlier file is unchanged: " + rig.native()));
        QCOMPARE(test::readBytes(rig.file(kPartial)), memoryLines(3));
        QCOMPARE(rig.box.text(), kPartial);
        return;
    }
    // The file and the system's reason, then what became of the data.
    const QString partial = QDir::toNativeSeparators(rig.folder + u'/' + kPartial);
    QVERIFY2(text.startsWith(partial + ": ") && text.size() > partial.size() + 3, qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("\nLines received: %1\nNo file was written.")
                               .arg(fault == "full" ? 3 : 0)),
             qPrintable(text));
    QVERIFY(!QFile::exists(partial));
    QCOMPARE(rig.box.text(), QStringLiteral("before.txt"));
    // Nothing is asked of the logger; on a full disk, it stops at the first batch.
    QCOMPARE(rig.peer.received(), fault == "full" ? QByteArray("A0,") : QByteArray());
    QVERIFY(fault != "full" || rig.clock.now() - rig.requestEnded < seconds(1));
}

void DownloadTest::datesAreReadDayFirst_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: not a date
    QTest::newRow("day over 12, no leading zero") << "31/1/2025" << QDate(2025, 1, 31);
    QTest::newRow("month over 12") << "01/13/2025" << QDate();
    QTest::newRow("dots, two-digit year") << "1.2.25" << QDate(2025, 2, 1);
    QTest::newRow("two-digit year of the last century") << "1-2-95" << QDate(1995, 2, 1);
    QTest::newRow("blanks around") << "  5/12/2026 " << QDate(2026, 12, 5);
    QTest::newRow("mixed separators") << "5/12-2026" << QDate();
    QTest::newRow("30 February") << "30/02/2024" << QDate();
    QTest::newRow("year first") << "2026/12/05" << QDate();
    QTest::newRow("before the logger's years") << "31/12/1899" << QDate();
    QTest::newRow("three-digit year") << "5/12/202" << QDate();
}

void DownloadTest::datesAreReadDayFirst()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseRangeDate(text).value_or(QDate()), date);
}

void DownloadTest::rangeChecksInOrder()
{
    // From, to, and the message; none when the range passes.
    const char* const checks[][3] = {
        {"   ", "", "Insert starting date for data"},
        {"32/01/2025", "", "Insert a valid starting date for data"},
        {"01/01/2025", " ", "Insert last date for data"},
        {"01/01/2025", "1/1", "Insert a valid last date for data"},
        {"02/01/2025", "01/01/2025", "Starting date can not be after last date for data"},
        // As text "31/01/2025" > "01/02/2025"; as dates they are in order.
        {"31/01/2025", "01/02/2025", ""}};
    for (const auto& [from, to, message] : checks) {
        const auto check = checkDownloadRange(from, to);
        QCOMPARE(check.message, QString::fromLatin1(message));
        QCOMPARE(check.range.has_value(), !*message);
    }
}

void DownloadTest::dataFilePath()
{
    // Blanks and one dot stay; separators, drives, characters no file takes and a leading dot
    // do not.
    const char* const paths[][3] = {
        {"/", "DAM 3 ", "/DAM 3 _05_12_26_SENS.txt"},
        {"/data/", "A.B", "/data/A.B_05_12_26_SENS.txt"},
        {"/d", "../../etc/x", "/d/______etc_x_05_12_26_SENS.txt"},
        {"/d", "C:\\a", "/d/C__a_05_12_26_SENS.txt"},
        {"/d", "a*b?c\"d<e>f|g\t\x7f", "/d/a_b_c_d_e_f_g___05_12_26_SENS.txt"},
        {"/d", ".x", "/d/_x_05_12_26_SENS.txt"}};
    for (const auto& [folder, logger, path] : paths)
        QCOMPARE(korvelan::dataFilePath(folder, dataFileName(logger, QDate(2026, 12, 5))),
                 QString::fromLatin1(path));
}

void DownloadTest::busyCheckThenDelete_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("questions"); // more than 0: another program holds the file
    QTest::addColumn<bool>("remains");  // once deleted
    QTest::newRow("no file") << "missing" << false << 0 << false;
    QTest::newRow("free file") << "free" << false << 0 << false;
    QTest::newRow("open in this program") << "ours" << false << 0 << false;
    QTest::newRow("read-only file is not forced") << "readonly" << false << 0 << true;
    QTest::newRow("held, operator gives up") << "cancel" << true << 1 << false;
    QTest::newRow("held, retries too soon, then closes it") << "retry-close" << false << 2 << false;
    QTest::newRow("held, operator deletes it, retries") << "delete" << false << 1 << false;
}

void DownloadTest::busyCheckThenDelete()
{
    QFETCH(QString, kind);
    QFETCH(bool, busy);
    QFETCH(int, questions);
    QFETCH(bool, remains);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mc_20261205.txt"));
    QFile file(path);
    if (kind != "missing")
        QVERIFY(test::writeBytes(path, "kept\r\n"));
    if (kind == "ours")
        QVERIFY(file.open(QIODevice::ReadOnly));
    if (kind == "readonly")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    test::ScriptedPrompter prompter;
    // Another program with the file open, as an editor or a spreadsheet would keep it.
    QProcess holder;
    if (questions > 0) {
        holder.start("/bin/sh", {"-c", "exec 3<\"$1\"; echo ready; exec sleep 60", "sh", path});
        QVERIFY(holder.waitForReadyRead(5000) && heldOpenElsewhere(path));
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(2)); // Cancel is the unscripted answer
        prompter.answerNext(PromptAnswer::Retry);
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(0));
        prompter.shown.clear();
    } else if (kind != "missing") {
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(1));
    }
    int asked = 0;
    prompter.whileAsking = [&] {
        if (++asked == 2 && kind == "retry-close") {
            holder.kill();
            holder.waitForFinished(5000);
        }
        if (kind == "delete")
            QFile::remove(path);
    };
    for (int i = 0; i < (busy ? 0 : 2); ++i)
        prompter.answerNext(PromptAnswer::Retry);
    QCOMPARE(FileOccupato(path, prompter), busy);
    QCOMPARE(prompter.shown.size(), questions);
    for (const auto& shown : prompter.shown) {
        QCOMPARE(shown.kind, QStringLiteral("retrycancel"));
        QCOMPARE(shown.title, QStringLiteral("Azione annullata"));
        QCOMPARE(shown.text, "Il file " + QDir::toNativeSeparators(path) +
                                 " è occupato. Chiudere le applicazioni che utilizzano il file.");
    }
    // The check never moves or changes the file.
    QVERIFY(!QFile::exists(path + ".temp"));
    if (kind != "missing" && kind != "delete")
        QCOMPARE(test::readBytes(path), QByteArray("kept\r\n"));
    holder.kill();
    holder.waitForFinished(5000);
    CancellaFile(path);
    QCOMPARE(QFile::exists(path), remains);
}

void DownloadTest::movesNeverReplace_data()
{
    // The calls a file system refuses: NFS has no no-replace rename, FAT no hard links either.
    QTest::addColumn<QList<long>>("refused");
    QTest::newRow("every way offered") << QList<long>{};
#ifdef Q_OS_LINUX
    QTest::newRow("no no-replace rename") << QList<long>{SYS_renameat2};
    QTest::newRow("no hard links either") << QList<long>{SYS_renameat2, SYS_link, SYS_linkat};
#endif
}

void DownloadTest::movesNeverReplace()
{
    QFETCH(QList<long>, refused);
    QTemporaryDir dir;
    const QString from = dir.filePath("a.partial.txt");
    const QString to = dir.filePath("a.txt");
    QVERIFY(test::writeBytes(from, "new\r\n") && test::writeBytes(to, "old\r\n"));
    // In a process of its own, where the refused calls fail as such a file system has them
    // fail; each move's error, or "moved", one a line.
    const auto moves = [&] {
        QString out;
        for (const QString& target : {to, dir.filePath("b.txt"), dir.filePath("c.txt")}) {
            QString error;
            out += (moveFile(from, target, false, &error) ? QStringLiteral("moved") : error) + '\n';
        }
        return out.toUtf8();
    };
    QByteArray got;
#ifdef Q_OS_LINUX
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<sock_filter> filter{
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
        for (const long call : refused) {
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __u32(call), 0, 1));
            filter.push_back(BPF_STMT(
                BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (call == SYS_renameat2 ? EINVAL : EPERM)));
        }
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
        const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
        const bool filtered = ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                              ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
        test::writeBytes(dir.filePath("moves"), filtered ? moves() : "no filter");
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    got = test::readBytes(dir.filePath("moves"));
#else
    got = moves();
#endif
    // A name taken is never replaced; a free one is taken; the last move finds nothing to move
    // and says so, with the system's own reason.
    QCOMPARE(got, QByteArray("File exists\nmoved\nNo such file or directory\n"));
    QCOMPARE(test::readBytes(to), QByteArray("old\r\n"));
    QCOMPARE(test::readBytes(dir.filePath("b.txt")), QByteArray("new\r\n"));
    QVERIFY(!QFile::exists(from));
}

QTEST_MAIN(DownloadTest)
#include "tst_download.moc"

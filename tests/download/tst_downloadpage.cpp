// The DOWNLOAD page, offscreen, clicked by control name against a scripted logger.
#include "DownloadRig.h"
#include "download/DownloadPage.h"
#include "windows/main/CommandLock.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::DownloadRig;
using test::memoryLines;

namespace {

const QDate kToday(2026, 12, 5);

struct PageRig : DownloadRig {
    CommandLock lock{transport};
    QLineEdit nomeFileDati;
    QString folder = dir.path();
    QString logger = QStringLiteral("SITE1");
    DownloadPage page{transport, lock, prompter, [this] { return folder; },
                      [this] { return logger; }, &nomeFileDati};
    QStringList boxTexts;

    PageRig()
    {
        page.setDateSource([] { return kToday; });
        lock.add(page.acquisisci());
        QObject::connect(&nomeFileDati, &QLineEdit::textChanged,
                         [this](const QString& t) { boxTexts << t; });
    }
    template <typename T>
    T* control(const char* name)
    {
        auto* c = page.findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }
    void chooseRange(const QString& from, const QString& to)
    {
        click("optTutti1");
        control<QLineEdit>("txtScaricaDal")->setText(from);
        control<QLineEdit>("txtScaricaAl")->setText(to);
    }
    [[nodiscard]] QString dataFile() const { return dir.filePath("SITE1_05_12_26_SENS.txt"); }
};

}  // namespace

class DownloadPageTest : public QObject {
    Q_OBJECT
private slots:
    void optionsEnableTheDates();
    void rangeErrorsStopBeforeAnything_data();
    void rangeErrorsStopBeforeAnything();
    void wholeMemory();
    void rangeRequest();
    void fastStreamEndsOnItsLastLine();
    void faultsLeaveTheWindowUsable_data();
    void faultsLeaveTheWindowUsable();
    void unwritableFolder();
};

void DownloadPageTest::optionsEnableTheDates()
{
    PageRig rig;
    auto* from = rig.control<QLineEdit>("txtScaricaDal");
    auto* to = rig.control<QLineEdit>("txtScaricaAl");
    QVERIFY(rig.control<QRadioButton>("optTutti0")->isChecked());
    QCOMPARE(rig.control<QRadioButton>("optTutti0")->text(), QStringLiteral("All"));
    QCOMPARE(rig.control<QRadioButton>("optTutti1")->text(), QStringLiteral("Select"));
    QCOMPARE(rig.page.acquisisci()->text(), QStringLiteral("Download"));
    QCOMPARE(to->text(), QStringLiteral("05/12/2026"));
    QVERIFY(!from->isEnabled() && !to->isEnabled());
    rig.click("optTutti1");
    QVERIFY(from->isEnabled() && to->isEnabled());
    rig.click("optTutti0");
    QVERIFY(!from->isEnabled() && !to->isEnabled());

    // At load the end box holds the system's today, day first.
    PageRig fresh;
    DownloadPage page(fresh.transport, fresh.lock, fresh.prompter, [] { return QString(); },
                      [] { return QString(); }, nullptr);
    QCOMPARE(page.findChild<QLineEdit*>("txtScaricaAl")->text(),
             QDate::currentDate().toString("dd/MM/yyyy"));
}

void DownloadPageTest::rangeErrorsStopBeforeAnything_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("no start") << "" << "05/12/2026" << "Insert starting date for data";
    QTest::newRow("bad start") << "5/13/2026" << "05/12/2026" << "Insert a valid starting date for data";
    QTest::newRow("no end") << "05/12/2026" << "  " << "Insert last date for data";
    QTest::newRow("bad end") << "05/12/2026" << "12/31/2026" << "Insert a valid last date for data";
    QTest::newRow("reversed") << "06/12/2026" << "05/12/2026"
                              << "Starting date can not be after last date for data";
}

void DownloadPageTest::rangeErrorsStopBeforeAnything()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    PageRig rig;
    rig.nomeFileDati.setText("old.txt");
    rig.chooseRange(from, to);
    rig.click("Acquisisci");
    QCOMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown[0].text, message);
    QCOMPARE(rig.prompter.shown[0].title, QStringLiteral("Cancelled"));
    QCOMPARE(rig.prompter.shown[0].kind, QStringLiteral("inform"));
    QVERIFY(rig.peer.bytes.isEmpty());
    QVERIFY(!rig.lock.locked());
    QCOMPARE(rig.nomeFileDati.text(), QStringLiteral("old.txt"));
    QVERIFY(QDir(rig.dir.path()).isEmpty());
}

void DownloadPageTest::wholeMemory()
{
    PageRig rig;
    // Lines far enough apart that each one is shown as it comes.
    rig.answerRequest({"L1\r\n", "L2\r\n", "L3\r\n", "\x03"}, milliseconds(50), milliseconds(300));
    bool lockedMeanwhile = false;
    bool stopUsableMeanwhile = false;
    int secondClicks = 0;
    rig.clock.setOnWaitStep([&] {
        if (rig.page.downloading()) {
            lockedMeanwhile = !rig.page.acquisisci()->isEnabled();
            stopUsableMeanwhile = rig.control<QPushButton>("cmdInterrompi")->isEnabled();
            if (secondClicks++ == 0)
                rig.page.Acquisisci();  // a click delivered from inside the wait
        }
    });
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});

    QCOMPARE(rig.peer.received(), QByteArray("A0,"));
    QCOMPARE(DownloadRig::contents(rig.dataFile()), QByteArray("L1\r\nL2\r\nL3\r\n"));
    const QString name = QStringLiteral("SITE1_05_12_26_SENS.txt");
    QCOMPARE(rig.boxTexts, (QStringList{name, QDir::toNativeSeparators(rig.dataFile()), "",
                                        "Please wait..", "L1", "L2", "L3", "Data saved.", name}));
    QCOMPARE(rig.prompter.beeps, 2);
    QVERIFY(rig.prompter.shown.isEmpty());
    QVERIFY(lockedMeanwhile && stopUsableMeanwhile);
    QVERIFY(rig.page.acquisisci()->isEnabled());
    QVERIFY(!rig.control<QPushButton>("cmdInterrompi")->isEnabled());
    QVERIFY(rig.control<QLabel>("lblAvanzamento")->text().startsWith("Lines: 3   Bytes: 13   Time: 0:0"));

    // The same day again replaces the file.
    rig.answerRequest({"L9\n\x03"});
    rig.click("Acquisisci");
    QCOMPARE(DownloadRig::contents(rig.dataFile()), QByteArray("L9\r\n"));
    QCOMPARE(rig.nomeFileDati.text(), name);
}

void DownloadPageTest::rangeRequest()
{
    PageRig rig;
    rig.answerRequest({"a\n\x03"});
    rig.chooseRange("5/12/2026", "05/12/2026");
    rig.click("Acquisisci");
    QCOMPARE(rig.peer.received(), QByteArray("A2,5,12,126,0,0,0,A3,5,12,126,23,59,59,A1,"));
    QCOMPARE(DownloadRig::contents(rig.dataFile()), QByteArray("a\r\n"));
}

void DownloadPageTest::fastStreamEndsOnItsLastLine()
{
    // 5,000 lines in a few batches: the box is not repainted for each line, but the text
    // before "Data saved." is the last line received, and the counters are the final ones.
    PageRig rig;
    const QByteArray lines = memoryLines(5000);
    rig.answerRequest({lines.left(70001), lines.mid(70001), "\x03"}, milliseconds(50),
                      milliseconds(30));
    rig.click("Acquisisci");
    const auto saved = rig.boxTexts.indexOf("Data saved.");
    QVERIFY(saved > 0);
    QCOMPARE(rig.boxTexts[saved - 1], QString::fromLatin1(memoryLines(1, 5000).chopped(2)));
    QVERIFY2(rig.boxTexts.size() < 20, qPrintable(QString::number(rig.boxTexts.size())));
    QVERIFY(rig.control<QLabel>("lblAvanzamento")
                ->text()
                .startsWith(QStringLiteral("Lines: 5000   Bytes: %1 ").arg(lines.size() + 1)));
    QCOMPARE(DownloadRig::contents(rig.dataFile()), lines);
}

void DownloadPageTest::faultsLeaveTheWindowUsable_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("silence") << "silence"
                             << "The logger stopped sending data: nothing came for 20 s.";
    QTest::newRow("no answer at all")
        << "mute" << "The logger did not answer the download request within 120 s.";
    QTest::newRow("line drop") << "drop" << "The link to the logger was lost during the download.";
    QTest::newRow("stop button") << "stop" << "Download stopped.";
    QTest::newRow("restore menu") << "restore" << "Download stopped.";
}

void DownloadPageTest::faultsLeaveTheWindowUsable()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    PageRig rig;
    const QByteArray sent = fault == "mute" ? QByteArray() : memoryLines(2) + "00003;12";
    rig.answerRequest({sent}, milliseconds(50));
    if (fault == "drop") {
        rig.peer.onReceive = [&, answer = rig.peer.onReceive](const QByteArray& b, TimePoint at) {
            answer(b, at);
            if (rig.requestEnded == at)
                rig.peer.dropAt(at + seconds(3));
        };
    }
    if (fault == "stop" || fault == "restore") {
        rig.clock.setOnWaitStep([&] {
            if (rig.clock.now() - rig.requestEnded < seconds(2))
                return;
            if (fault == "stop")
                rig.click("cmdInterrompi");
            else
                rig.transport.cancelExchange();  // what "RESTORE " does while an exchange waits
        });
    }
    rig.click("Acquisisci");
    rig.clock.setOnWaitStep({});

    const int lines = fault == "mute" ? 0 : 2;
    QCOMPARE(DownloadRig::contents(rig.dataFile()), memoryLines(lines));
    QCOMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown[0].text,
             message + QStringLiteral("\nLines received and saved: %1\nFile: %2")
                           .arg(lines)
                           .arg(QDir::toNativeSeparators(rig.dataFile())));
    QVERIFY(!rig.lock.locked());
    QVERIFY(rig.page.acquisisci()->isEnabled());
    QVERIFY(!rig.control<QPushButton>("cmdInterrompi")->isEnabled());
    QCOMPARE(rig.nomeFileDati.text(), QStringLiteral("SITE1_05_12_26_SENS.txt"));
    QCOMPARE(rig.prompter.beeps, 0);
}

void DownloadPageTest::unwritableFolder()
{
    // The folder went away (a removed stick): the system's reason and the path, nothing sent.
    PageRig rig;
    rig.folder = rig.dir.filePath("gone");
    rig.logger = "../x";
    rig.nomeFileDati.setText("before.txt");
    rig.click("Acquisisci");
    QCOMPARE(rig.prompter.shown.size(), 1);
    const auto& shown = rig.prompter.shown[0];
    QCOMPARE(shown.title, QString());
    const QString path = QDir::toNativeSeparators(rig.folder + "/___x_05_12_26_SENS.txt");
    QVERIFY2(shown.text.endsWith(u'\n' + path), qPrintable(shown.text));
    QVERIFY(shown.text.size() > path.size() + 1);
    QVERIFY(rig.peer.bytes.isEmpty());
    QVERIFY(!rig.lock.locked());
    QCOMPARE(rig.nomeFileDati.text(), QStringLiteral("before.txt"));
    QVERIFY(QDir(rig.dir.path()).isEmpty());
}

QTEST_MAIN(DownloadPageTest)
#include "tst_downloadpage.moc"

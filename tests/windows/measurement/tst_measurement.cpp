// Live readings against the emulated logger: the single readings of the main window and the
// continuous reading, its grids and its measurement file.
#include "MeasureRig.h"
#include "link/NumberForms.h"
#include "measurement/MeasurementText.h"
#include "support/Rows.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/measurement/GridView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MeasureRig;

namespace {

const QString kStamp = QStringLiteral("05/12/2026 14:07:09");

bool enabled(MisCont& w, const char* name)
{
    return w.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
}

// How a run ends: the lines in its file, the last (or the one before the end marker), the last
// command, the message, and whether Start is offered again.
struct Ending
{
    int lines;
    QString lastLine;
    QString lastSent;
    QString message;
    bool startAgain;
};

} // namespace

Q_DECLARE_METATYPE(Ending)

class MeasurementTest : public QObject
{
    Q_OBJECT
private slots:
    void texts();
    void singleReadings_data();
    void singleReadings();
    void refusedStarts_data();
    void refusedStarts();
    void run_data();
    void run();
    void endings_data();
    void endings();
    void gridMemoryIsBounded();
};

void MeasurementTest::texts()
{
    // What the other tests do not reach: boundaries and replies that are not numbers.
    using namespace measurement;
    QCOMPARE(singleValueText("0.12345", 0), QStringLiteral("0.123"));
    QCOMPARE(singleValueText(" 25.000", 3), QStringLiteral("25"));
    QCOMPARE(singleValueText("%%", 3), QStringLiteral("%%"));
    QCOMPARE(temperatureText(" 80"), QStringLiteral("080.0"));
    QCOMPARE(temperatureText("-30.1"), QStringLiteral("**N.F.**"));
    QVERIFY(!boxIndex(" 16") && !boxIndex("%%") && !gageFactor("4,062"));
    QCOMPARE(gageFromFile("\"4.1\",x"), QStringLiteral("4.1"));
}

void MeasurementTest::singleReadings_data()
{
    QTest::addColumn<int>("mux");
    QTest::addColumn<bool>("temperatures");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("mux 0, model 0") << 0 << false << 0 << "p 0," << QStringList{"2512.5", "25.0"};
    QTest::newRow("mux 1, model 3") << 1 << false << 3 << "p 1," << QStringList{"2512.5", "25"};
    QTest::newRow("temperatures") << 0 << true << 0 << "t 0," << QStringList{"**N.F.**", "-012.5"};
}

void MeasurementTest::singleReadings()
{
    QFETCH(int, mux);
    QFETCH(bool, temperatures);
    QFETCH(int, model);
    QFETCH(QString, command);
    QFETCH(QStringList, values);

    MeasureRig rig(2, 2);
    rig.session.ModelloLogger = static_cast<int16_t>(model);
    rig.window.channels().leggicanali();
    rig.logger.setFixedReading(16 * mux, 2512.5);
    rig.logger.setFixedReading(16 * mux + 1, 25);
    rig.logger.setFixedTemperature(0, 80.1);
    rig.logger.setFixedTemperature(1, -12.5);
    const auto before = rig.sent().size();
    // The label of the channel being read is red, the others black.
    auto& group = rig.window.readNow();
    QStringList red;
    rig.clock.setOnWaitStep([&] {
        for (int k = 0; k < ReadNowGroup::kBoxes; ++k) {
            const QString text = group.label(k)->text();
            if (group.label(k)->palette().color(QPalette::WindowText) == Qt::red &&
                !red.contains(text))
                red << text;
        }
    });
    rig.click(
        QStringLiteral("%1%2").arg(temperatures ? "MISCONTINUA_TEMP" : "MISCONTINUA").arg(mux));
    rig.clock.setOnWaitStep({});

    QCOMPARE(rig.sent().mid(before), QStringList{command});
    QCOMPARE(red, (QStringList{QStringLiteral("CH %1").arg(16 * mux),
                               QStringLiteral("CH %1").arg(16 * mux + 1)}));
    QCOMPARE(group.label(0)->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE((QStringList{group.value(0)->text(), group.value(1)->text(), group.value(2)->text()}),
             values + QStringList{"N.R."});
    QVERIFY(!rig.window.lock().locked());
}

void MeasurementTest::refusedStarts_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QStringList>("sent");
    const QStringList probe{"H 0,", "] 0,", "] 1,", "H 1,", "] 16,"};
    // clang-format off
    QTest::newRow("silent") << "test_measurement" << "Connection error." << "Connecting to datalogger..." << QStringList{"H 0,"};
    QTest::newRow("no MUX 0") << "Annullato" << "At least 1 channel on MUX 0 needs to be enabled." << "Annullato" << QStringList{"H 0,", "H 1,", "] 16,"};
    QTest::newRow("gage") << "Gage Factor" << "The gage factor \"4,062\" is not a number. Enter it with a period as decimal separator, for example 4.062." << QString() << QStringList{};
    QTest::newRow("cancel") << QString() << QString() << QString() << probe;
    // clang-format on
}

void MeasurementTest::refusedStarts()
{
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, notice);
    QFETCH(QStringList, sent);
    const QString fault = QString::fromLatin1(QTest::currentDataTag());

    MeasureRig rig(fault == QLatin1String("no MUX 0") ? 0 : 2, 1);
    MisCont& w = rig.open();
    if (fault == QLatin1String("silent"))
        rig.logger.setSilentFrom(1);
    if (fault == QLatin1String("gage")) {
        w.findChild<QRadioButton*>("optuStrain1")->setChecked(true);
        w.findChild<QLineEdit*>("txtGage")->setText("4,062");
    }
    if (fault == QLatin1String("cancel"))
        rig.chosen.clear();
    const auto start = rig.now();
    w.cmdStart();

    QCOMPARE(rig.sent(), sent);
    QCOMPARE(rig.prompter.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (!title.isEmpty())
        QCOMPARE(rig.prompter.shown.first().title, title);
    auto* avviso = w.findChild<QLineEdit*>("txtAvviso");
    QCOMPARE(avviso->isVisible() ? avviso->text() : QString(), notice);
    // No measurement file; the window is ready for another try.
    QCOMPARE(QDir(rig.dir.path()).entryList({"*.txt"}, QDir::Files),
             fault == QLatin1String("gage") ? QStringList{} : QStringList{"gage.txt"});
    for (const char* name : {"cmdStart", "cmdChiudi", "chkDelta"})
        QVERIFY2(enabled(w, name), name);
    QVERIFY(!enabled(w, "cmdStop"));
    QVERIFY(!rig.window.lock().locked());
    QVERIFY(rig.now() - start < seconds(125)); // a silent logger costs one time limit
    if (fault == QLatin1String("cancel"))
        QCOMPARE(QFileInfo(rig.proposed).fileName(), QStringLiteral("mc_05-12-2026_14.7.09.txt"));
}

void MeasurementTest::run_data()
{
    QTest::addColumn<int>("count1");
    QTest::addColumn<bool>("uStrain");
    QTest::addColumn<bool>("delta");
    QTest::addColumn<QStringList>("lines");
    // Channel 0 reads 2500 then 2510, channel 1 12.5 then 13, channel 16 2000 throughout;
    // channels 0 and 16 are vibrating-wire ones. An unchanged reading shows 0.000 in delta
    // mode, converted or not.
    const QString header = QStringLiteral("Date,0CH 0,0CH 1,1CH 0");
    // clang-format off
    QTest::newRow("Hz") << 1 << false << false << QStringList{header, "2500.000,12.500,2000.000", "2510.000,13.000,2000.000"};
    QTest::newRow("uStrain") << 1 << true << false << QStringList{header, "25387.499,12.500,16247.999", "25591.005,13.000,16247.999"};
    QTest::newRow("uStrain, delta") << 1 << true << true << QStringList{header, "25387.499,12.500,16247.999", "203.506,0.500,0.000"};
    QTest::newRow("nothing on MUX 1") << 0 << false << false << QStringList{"Date,0CH 0,0CH 1", "2500.000,12.500", "2510.000,13.000"};
    // clang-format on
}

void MeasurementTest::run()
{
    QFETCH(int, count1);
    QFETCH(bool, uStrain);
    QFETCH(bool, delta);
    QFETCH(QStringList, lines);

    MeasureRig rig(2, count1);
    QVERIFY(test::writeBytes(rig.dir.filePath("gage.txt"), "4.062\r\n"));
    QVERIFY(test::writeBytes(rig.chosen, "earlier")); // an earlier file of that name is replaced
    rig.logger.setFixedReading(0, 2500);
    rig.logger.setFixedReading(1, 12.5);
    rig.logger.setFixedReading(16, 2000);
    MisCont& w = rig.open();
    w.findChild<QRadioButton*>(uStrain ? "optuStrain1" : "optuStrain0")->setChecked(true);
    w.findChild<QCheckBox*>("chkDelta")->setChecked(delta);
    QCOMPARE(enabled(w, "txtGage"), uStrain);
    QObject::connect(&w, &MisCont::cycleCompleted, &w, [&](qint64 n) {
        if (n == 1) {
            rig.logger.setFixedReading(0, 2510);
            rig.logger.setFixedReading(1, 13);
        }
        if (n == 3)
            w.cmdStop();
    });
    bool locked = true;
    rig.clock.setOnWaitStep([&] { locked = locked && rig.window.lock().locked(); });
    w.cmdStart();
    rig.clock.setOnWaitStep({});

    const QString second = kStamp + u',' + lines[2];
    QCOMPARE(rig.fileLines(),
             (QStringList{measurement::kFileStart, lines[0], kStamp + u',' + lines[1], second,
                          second, measurement::kFileEnd}));
    const QStringList cycle = count1 ? QStringList{"P0,0,", "P1,0,"} : QStringList{"P0,0,"};
    QCOMPARE(rig.sent(), QStringList({"H 0,", "] 0,", "] 1,", "H 1,"}) +
                             (count1 ? QStringList{"] 16,"} : QStringList{}) +
                             QStringList{"P0,1,"} + cycle + cycle + cycle + QStringList{"P0,2,"});
    QVERIFY(!rig.logger.continuousRun());
    QVERIFY(locked && !rig.window.lock().locked());
    QVERIFY(rig.prompter.shown.isEmpty());

    // The header, a row per cycle and the next, empty; multiplexer 1's columns are in grid 1,
    // out of sight. With differences shown the first reading stays in sight.
    QCOMPARE(w.grid1().rows(), 5);
    QCOMPARE(w.gridView(0)->columnShown(3), count1 == 0);
    QCOMPARE(w.grid2().columns(), 1 + count1);
    QCOMPARE(w.grid2().text(3, 0), kStamp);
    QCOMPARE(w.gridView(0)->firstRowPinned(), delta);
    for (const char* name : {"cmdStart", "cmdChiudi", "cmdGraf", "chkDelta"})
        QVERIFY2(enabled(w, name), name);
    QVERIFY(!enabled(w, "cmdStop"));
}

void MeasurementTest::endings_data()
{
    const QString end = measurement::kFileEnd;
    const QString stamp = kStamp + u',';
    // clang-format off
    test::addRows<Ending>({
        // Stop in the middle of cycle 2: the cycle completes and is written.
        {"stop", {5, end, "P0,2,", {}, true}},
        // The logger falls silent after channel 0 of cycle 2: one time limit, the rest "Timeout".
        {"timeout", {5, stamp + "2500.000,Timeout,Timeout", "P0,2,", {}, true}},
        {"frame close", {5, end, "P0,2,", {}, true}},
        // RESTORE: the cycle broken off is not written, and nothing more is sent.
        {"RESTORE", {4, end, "P0,0,", {}, true}},
        {"garbled reading", {6, measurement::kFileBroken, "P0,2,",
                             "The logger sent \"7#?.000\" as the reading of 0CH 0, which is not a number.",
                             false}},
        {"file cannot be written", {3, stamp + "2500.000,12.500,2000.000", "P0,2,",
                                    "The measurement file %1 cannot be written: ", false}},
    });
    // clang-format on
}

void MeasurementTest::endings()
{
    QFETCH(Ending, row);
    auto [lines, lastLine, lastSent, message, startAgain] = row;
    const QString tag = QString::fromLatin1(QTest::currentDataTag());

    MeasureRig rig;
    rig.logger.setFixedReading(0, 2500);
    rig.logger.setFixedReading(1, 12.5);
    rig.logger.setFixedReading(16, 2000);
    if (tag == QLatin1String("timeout"))
        rig.logger.setSilentAfterReadings(2);
    MisCont& w = rig.open();
    QPointer<MisCont> window(&w);
    const QString chosen = rig.chosen;
    const QString kept = rig.dir.filePath("kept.txt");
    // Once cycle 2 waits for its first reading.
    bool done = false;
    rig.clock.setOnWaitStep([&] {
        if (done || rig.sent().count("P0,0,") < 2)
            return;
        done = true;
        if (tag == QLatin1String("stop"))
            w.findChild<QPushButton*>("cmdStop")->click();
        else if (tag == QLatin1String("frame close"))
            w.close();
        else if (tag == QLatin1String("RESTORE"))
            rig.window.findChild<QAction*>("RIPRISTINA_DA_ERRORI")->trigger();
    });
    // Once cycle 2 is done.
    QObject::connect(&w, &MisCont::cycleCompleted, &w, [&](qint64 n) {
        if (n == 2 && tag == QLatin1String("garbled reading")) {
            rig.logger.setGarbage(static_cast<int>(rig.logger.commandCount()) + 1, "#?");
            rig.logger.setFixedReading(0, 7);
        } else if (n == 1 && tag == QLatin1String("file cannot be written")) {
            // The file goes away and a folder of its name stands in its place.
            QVERIFY(QFile::rename(chosen, kept) && QDir().mkdir(chosen));
            rig.chosen = kept;
        }
    });
    const auto start = rig.now();
    w.cmdStart();
    rig.clock.setOnWaitStep({});

    const QStringList file = rig.fileLines();
    QCOMPARE(file.size(), lines);
    QCOMPARE(file.last() == lastLine ? lastLine : file.at(file.size() - 2), lastLine);
    QCOMPARE(rig.sent().last(), lastSent);
    QCOMPARE(rig.prompter.texts().size(), message.isEmpty() ? 0 : 1);
    if (message.contains(QLatin1String("%1")))
        message = message.arg(chosen);
    if (!message.isEmpty())
        QVERIFY2(rig.prompter.texts().first().startsWith(message),
                 qPrintable(rig.prompter.texts().first()));
    QVERIFY(rig.now() - start < seconds(130));
    QVERIFY(!rig.window.lock().locked());
    if (tag == QLatin1String("frame close")) {
        QTRY_VERIFY(!window); // closed once the run had ended
        return;
    }
    // Stopped in the middle of a cycle: no row was added after it.
    if (tag == QLatin1String("stop") || tag == QLatin1String("timeout"))
        QCOMPARE(w.grid1().rows(), 3);
    // After an error a new run needs the window opened again; it can always be closed.
    QCOMPARE(enabled(w, "cmdStart"), startAgain);
    QVERIFY(enabled(w, "cmdChiudi") && enabled(w, "chkDelta") && !enabled(w, "cmdStop"));
    QVERIFY(w.findChild<QLineEdit*>("txtAvviso")->isHidden());
}

void MeasurementTest::gridMemoryIsBounded()
{
    MeasurementGrid grid;
    grid.lay({"Date", "0CH 0"}, {1800, 850});
    grid.setText(1, 1, "first");
    const int cycles = 3 * MeasurementGrid::kKeptRows;
    for (int r = 2; r <= cycles; ++r) {
        grid.addRow();
        grid.setText(r, 1, QString::number(r));
    }
    QCOMPARE(grid.rows(), cycles + 1);
    QCOMPARE(grid.rowCount(), 1 + MeasurementGrid::kKeptRows);
    QCOMPARE(grid.text(1, 1), QStringLiteral("first"));
    QCOMPARE(grid.text(cycles, 1), QString::number(cycles));
    QCOMPARE(grid.text(2, 1), QString());
    // The view numbers rows as the operator counts them.
    QCOMPARE(grid.headerData(1, Qt::Vertical, Qt::DisplayRole).toInt(),
             cycles + 1 - MeasurementGrid::kKeptRows);
}

QTEST_MAIN(MeasurementTest)
#include "tst_measurement.moc"

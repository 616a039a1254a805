// Live readings against the emulated logger: the single readings of the main window and the
// continuous reading, its grids and its measurement file.
#include "MeasureRig.h"
#include "link/NumberForms.h"
#include "measurement/GridView.h"
#include "measurement/MeasurementGrid.h"
#include "measurement/MeasurementText.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/FieldEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MeasureRig;

namespace {

const QString kStamp = QStringLiteral("05/12/2026 14:07:09");

QStringList valueTexts(const ReadNowGroup& group)
{
    QStringList out;
    for (int k = 0; k < ReadNowGroup::kBoxes; ++k)
        out << group.value(k)->text();
    return out;
}

bool enabled(MisCont& w, const char* name)
{
    return w.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
}

} // namespace

class MeasurementTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void singleReadings_data();
    void singleReadings();
    void refusedStarts_data();
    void refusedStarts();
    void run_data();
    void run();
    void stopInTheMiddleOfACycle();
    void timeoutInTheMiddleOfACycle();
    void errorEnd_data();
    void errorEnd();
    void closingTheWindowOrRestoreEndsTheRun_data();
    void closingTheWindowOrRestoreEndsTheRun();
    void gridMemoryIsBounded();
};

void MeasurementTest::texts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("model 0") << "model0"
                             << " 2512.5"
                             << "2512.5";
    QTest::newRow("model 0, integer") << "model0"
                                      << " 25"
                                      << "25.0";
    QTest::newRow("model 0, four decimals") << "model0"
                                            << "0.12345"
                                            << "0.123";
    QTest::newRow("other model") << "model3"
                                 << " 25.000"
                                 << "25";
    QTest::newRow("no answer stays") << "model3"
                                     << "%%"
                                     << "%%";
    QTest::newRow("80 is a temperature") << "temp"
                                         << " 80"
                                         << "080.0";
    QTest::newRow("above 80") << "temp"
                              << " 80.1"
                              << "**N.F.**";
    QTest::newRow("below -30") << "temp"
                               << "-30.1"
                               << "**N.F.**";
    QTest::newRow("negative") << "temp"
                              << "-12.5"
                              << "-012.5";
    QTest::newRow("index") << "index"
                           << " 3"
                           << "3";
    QTest::newRow("index 16") << "index"
                              << " 16"
                              << "none";
    QTest::newRow("index -1") << "index"
                              << "-1"
                              << "none";
    QTest::newRow("index missing") << "index"
                                   << "%%"
                                   << "none";
    QTest::newRow("microstrain") << "ustrain"
                                 << "2500"
                                 << "25387.499";
    QTest::newRow("gage file") << "gagefile"
                               << "\"4.1\",x\r\n"
                               << "4.1";
    QTest::newRow("gage with comma") << "gage"
                                     << "4,062"
                                     << "none";
    QTest::newRow("file name") << "name"
                               << ""
                               << "mc_05-12-2026_14.7.09.txt";
    QTest::newRow("header") << "header"
                            << ""
                            << "Date,0CH 0,0CH 1,1CH 0";
}

void MeasurementTest::texts()
{
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    using namespace measurement;
    const auto orNone = [](const auto& v) {
        return v ? numbers::plain(static_cast<double>(*v)) : QStringLiteral("none");
    };
    QString got;
    if (kind.startsWith(QLatin1String("model")))
        got = singleValueText(input, kind == QLatin1String("model0") ? 0 : 3);
    else if (kind == QLatin1String("temp"))
        got = temperatureText(input);
    else if (kind == QLatin1String("index"))
        got = orNone(boxIndex(input));
    else if (kind == QLatin1String("ustrain"))
        got = cellText(microstrain(input.toDouble(), *gageFactor(kDefaultGage)));
    else if (kind == QLatin1String("gagefile"))
        got = gageFromFile(input.toLatin1());
    else if (kind == QLatin1String("gage"))
        got = orNone(gageFactor(input));
    else if (kind == QLatin1String("name"))
        got = proposedFileName(QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)));
    else
        got = headerTexts(2, 1).join(u',');
    QCOMPARE(got, expected);
}

void MeasurementTest::singleReadings_data()
{
    QTest::addColumn<int>("mux");
    QTest::addColumn<bool>("temperatures");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("mux 0, model 0") << 0 << false << 0 << "p 0," << QStringList{"2512.5", "0.25"};
    QTest::newRow("mux 1, model 3") << 1 << false << 3 << "p 1," << QStringList{"2512.5", "0.25"};
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
    rig.logger.setFixedReading(16 * mux + 1, 0.25);
    rig.logger.setFixedTemperature(0, 80.1);
    rig.logger.setFixedTemperature(1, -12.5);
    const auto before = rig.sent().size();

    // The label of the channel being read is red, the others black.
    auto& group = rig.window.readNow();
    QStringList redWhileRead;
    rig.clock.setOnWaitStep([&] {
        for (int k = 0; k < ReadNowGroup::kBoxes; ++k) {
            if (group.label(k)->palette().color(QPalette::WindowText) == Qt::red &&
                !redWhileRead.contains(group.label(k)->text()))
                redWhileRead << group.label(k)->text();
        }
    });
    rig.click(
        QStringLiteral("%1%2").arg(temperatures ? "MISCONTINUA_TEMP" : "MISCONTINUA").arg(mux));
    rig.clock.setOnWaitStep({});

    QCOMPARE(rig.sent().mid(before), QStringList{command});
    QCOMPARE(redWhileRead, (QStringList{QStringLiteral("CH %1").arg(16 * mux),
                                        QStringLiteral("CH %1").arg(16 * mux + 1)}));
    QCOMPARE(group.label(15)->text(), QStringLiteral("CH %1").arg(16 * mux + 15));
    QCOMPARE(group.label(0)->palette().color(QPalette::WindowText), QColor(Qt::black));
    QStringList expected = values;
    while (expected.size() < ReadNowGroup::kBoxes)
        expected << QStringLiteral("N.R.");
    QCOMPARE(valueTexts(group), expected);
    QVERIFY(!rig.window.lock().locked());
}

void MeasurementTest::refusedStarts_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("silent logger") << "silent"
                                   << "test_measurement"
                                   << "Connection error."
                                   << "Connecting to datalogger..." << QStringList{"H 0,"};
    QTest::newRow("no channel on MUX 0")
        << "none on mux 0"
        << "Annullato"
        << "At least 1 channel on MUX 0 needs to be enabled."
        << "Annullato" << QStringList{"H 0,", "H 1,", "] 16,", "] 17,"};
    QTest::newRow("gage factor not a number")
        << "gage"
        << "Gage Factor"
        << "The gage factor \"4,062\" is not a number. Enter it with a period as decimal "
           "separator, for example 4.062."
        << "" << QStringList{};
    QTest::newRow("file choice cancelled")
        << "cancel"
        << ""
        << ""
        << "" << QStringList{"H 0,", "] 0,", "] 1,", "H 1,", "] 16,"};
}

void MeasurementTest::refusedStarts()
{
    QFETCH(QString, fault);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, notice);
    QFETCH(QStringList, sent);

    MeasureRig rig(fault == QLatin1String("none on mux 0") ? 0 : 2, 2 - (fault == "cancel"));
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
    // Nothing was written, and the window is ready for another try.
    QCOMPARE(QDir(rig.dir.path()).entryList({"*.txt"}, QDir::Files),
             fault == QLatin1String("gage") ? QStringList{} : QStringList{"gage.txt"});
    for (const char* name : {"cmdStart", "cmdChiudi", "chkDelta"})
        QVERIFY2(enabled(w, name), name);
    QVERIFY(!enabled(w, "cmdStop"));
    QCOMPARE(enabled(w, "txtGage"), fault == QLatin1String("gage"));
    QVERIFY(!rig.window.lock().locked());
    // A silent logger costs one time limit.
    QVERIFY(rig.now() - start < seconds(125));
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
    // channels 0 and 16 are vibrating-wire ones.
    QTest::newRow("Hz") << 1 << false << false
                        << QStringList{"Date,0CH 0,0CH 1,1CH 0", "2500.000,12.500,2000.000",
                                       "2510.000,13.000,2000.000", "2510.000,13.000,2000.000"};
    QTest::newRow("uStrain") << 1 << true << false
                             << QStringList{"Date,0CH 0,0CH 1,1CH 0", "25387.499,12.500,16247.999",
                                            "25591.005,13.000,16247.999",
                                            "25591.005,13.000,16247.999"};
    // An unchanged reading shows 0.000 in delta mode, converted or not.
    QTest::newRow("uStrain, delta")
        << 1 << true << true
        << QStringList{"Date,0CH 0,0CH 1,1CH 0", "25387.499,12.500,16247.999",
                       "203.506,0.500,0.000", "203.506,0.500,0.000"};
    QTest::newRow("nothing on MUX 1")
        << 0 << false << false
        << QStringList{"Date,0CH 0,0CH 1", "2500.000,12.500", "2510.000,13.000", "2510.000,13.000"};
}

void MeasurementTest::run()
{
    QFETCH(int, count1);
    QFETCH(bool, uStrain);
    QFETCH(bool, delta);
    QFETCH(QStringList, lines);

    MeasureRig rig(2, count1);
    QFile gage(rig.dir.filePath("gage.txt"));
    QVERIFY(gage.open(QIODevice::WriteOnly));
    gage.write("4.062\r\n");
    gage.close();
    QFile(rig.chosen).open(QIODevice::WriteOnly); // an earlier file of that name is replaced
    rig.logger.setFixedReading(0, 2500);
    rig.logger.setFixedReading(1, 12.5);
    rig.logger.setFixedReading(16, 2000);
    MisCont& w = rig.open();
    w.findChild<QRadioButton*>(uStrain ? "optuStrain1" : "optuStrain0")->setChecked(true);
    w.findChild<QCheckBox*>("chkDelta")->setChecked(delta);
    QCOMPARE(w.findChild<QLineEdit*>("txtGage")->isEnabled(), uStrain);
    QObject::connect(&w, &MisCont::cycleCompleted, &w, [&](qint64 n) {
        if (n == 1) {
            rig.logger.setFixedReading(0, 2510);
            rig.logger.setFixedReading(1, 13);
        }
    });
    bool lockedDuringRun = true;
    rig.clock.setOnWaitStep(
        [&] { lockedDuringRun = lockedDuringRun && rig.window.lock().locked(); });
    rig.run(w, 3);
    rig.clock.setOnWaitStep({});

    QStringList expected{measurement::kFileStart, lines.first()};
    for (const auto& line : lines.mid(1))
        expected << kStamp + u',' + line;
    expected << measurement::kFileEnd;
    QCOMPARE(rig.fileLines(), expected);

    QStringList wire{"H 0,", "] 0,", "] 1,", "H 1,"};
    if (count1 > 0)
        wire << "] 16,";
    wire << "P0,1,";
    for (int i = 0; i < 3; ++i) {
        wire << "P0,0,";
        if (count1 > 0)
            wire << "P1,0,";
    }
    wire << "P0,2,";
    QCOMPARE(rig.sent(), wire);
    QVERIFY(!rig.logger.continuousRun());
    QVERIFY(lockedDuringRun);
    QVERIFY(!rig.window.lock().locked());
    QVERIFY(rig.prompter.shown.isEmpty());

    // Grids: the header, a row per cycle and the next row, empty; multiplexer 1's columns
    // are in grid 1, out of sight.
    auto& g1 = w.grid1();
    QCOMPARE(g1.rows(), 5);
    QCOMPARE(g1.text(0, g1.columns() - 1),
             count1 ? QStringLiteral("1CH 0") : QStringLiteral("0CH 1"));
    QCOMPARE(g1.columnWidth(0), 1800);
    QCOMPARE(g1.columnWidth(1), 850);
    QVERIFY(w.gridView(0)->columnShown(2));
    if (count1 > 0)
        QVERIFY(!w.gridView(0)->columnShown(3));
    QCOMPARE(w.grid2().columns(), 1 + count1);
    QCOMPARE(w.grid2().text(3, 0), kStamp);
    // With differences shown, the first reading stays in sight above the rows that scroll.
    QCOMPARE(w.gridView(0)->firstRowPinned(), delta);
    for (const char* name : {"cmdStart", "cmdChiudi", "cmdGraf", "chkDelta"})
        QVERIFY2(enabled(w, name), name);
    QVERIFY(!enabled(w, "cmdStop"));
    QCOMPARE(rig.session.Mux0ChannelCount, int16_t(2));
    QCOMPARE(rig.session.Mux1ChannelCount, int16_t(count1));
}

void MeasurementTest::stopInTheMiddleOfACycle()
{
    MeasureRig rig;
    MisCont& w = rig.open();
    // Stop is pressed while the second cycle waits for multiplexer 0's reading.
    rig.clock.setOnWaitStep([&] {
        if (rig.countSent("P0,0,") == 2 && enabled(w, "cmdStop")) {
            w.findChild<QPushButton*>("cmdStop")->click();
            QCOMPARE(w.findChild<QLineEdit*>("txtAvviso")->text(),
                     QStringLiteral("Finishing current reading..."));
        }
    });
    w.cmdStart();
    rig.clock.setOnWaitStep({});
    // The cycle completed (multiplexer 1 too) and was written; no row was added after it.
    QCOMPARE(rig.countSent("P1,0,"), 2);
    QCOMPARE(rig.sent().last(), QStringLiteral("P0,2,"));
    const QStringList lines = rig.fileLines();
    QCOMPARE(lines.size(), 5);
    QVERIFY(!lines.at(3).contains(measurement::kTimeout));
    QCOMPARE(lines.last(), measurement::kFileEnd);
    QCOMPARE(w.grid1().rows(), 3);
    QVERIFY(w.findChild<QLineEdit*>("txtAvviso")->isHidden());
}

void MeasurementTest::timeoutInTheMiddleOfACycle()
{
    MeasureRig rig;
    rig.logger.setFixedReading(0, 2500);
    rig.logger.setSilentAfterReadings(2); // the second cycle gets channel 0 and no more
    MisCont& w = rig.open();
    const auto start = rig.now();
    w.cmdStart();
    const QStringList lines = rig.fileLines();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(3), kStamp + QStringLiteral(",2500.000,Timeout,Timeout"));
    QCOMPARE(lines.at(4), measurement::kFileEnd);
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.sent().last(), QStringLiteral("P0,2,"));
    // One time limit, not one per channel; the window is ready for another run.
    QVERIFY(rig.now() - start < seconds(130));
    QVERIFY(enabled(w, "cmdStart"));
    QVERIFY(!rig.window.lock().locked());
}

void MeasurementTest::errorEnd_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("garbled reading")
        << "garbage"
        << "The logger sent \"7#?.000\" as the reading of 0CH 0, which is not a number.";
    QTest::newRow("file cannot be written") << "file"
                                            << "The measurement file %1 cannot be written: ";
}

void MeasurementTest::errorEnd()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);

    MeasureRig rig;
    MisCont& w = rig.open();
    QString kept = rig.dir.filePath("kept.txt");
    QObject::connect(&w, &MisCont::cycleCompleted, &w, [&](qint64 n) {
        if (n != 2)
            return;
        if (fault == QLatin1String("garbage")) {
            // The next reading of channel 0 comes back garbled.
            rig.logger.setGarbage(static_cast<int>(rig.logger.commandCount()) + 1, "#?");
            rig.logger.setFixedReading(0, 7);
        } else {
            // The file goes away and a folder of its name stands in its place.
            QVERIFY(QFile::rename(rig.chosen, kept));
            QVERIFY(QDir().mkdir(rig.chosen));
        }
    });
    w.cmdStart();

    QCOMPARE(rig.prompter.texts().size(), 1);
    if (message.contains(QLatin1String("%1")))
        message = message.arg(QDir::toNativeSeparators(rig.chosen));
    QVERIFY2(rig.prompter.texts().first().startsWith(message),
             qPrintable(rig.prompter.texts().first()));
    // The lines of the completed cycles are kept; the file says it ended unexpectedly.
    if (fault == QLatin1String("file"))
        rig.chosen = kept;
    const QStringList lines = rig.fileLines();
    QCOMPARE(lines.size(), fault == QLatin1String("file") ? 4 : 6);
    if (fault == QLatin1String("garbage"))
        QCOMPARE(lines.mid(4), (QStringList{measurement::kFileEnd, measurement::kFileBroken}));
    QCOMPARE(rig.sent().last(), QStringLiteral("P0,2,"));
    // A new run needs the window opened again; it can be closed.
    QVERIFY(!enabled(w, "cmdStart"));
    QVERIFY(!enabled(w, "cmdStop"));
    QVERIFY(enabled(w, "cmdChiudi"));
    QVERIFY(enabled(w, "chkDelta"));
    QVERIFY(!rig.window.lock().locked());
}

void MeasurementTest::closingTheWindowOrRestoreEndsTheRun_data()
{
    QTest::addColumn<bool>("restore");
    QTest::newRow("frame") << false;
    QTest::newRow("RESTORE") << true;
}

void MeasurementTest::closingTheWindowOrRestoreEndsTheRun()
{
    QFETCH(bool, restore);
    MeasureRig rig;
    MisCont& w = rig.open();
    QPointer<MisCont> window(&w);
    bool done = false;
    rig.clock.setOnWaitStep([&] {
        if (done || rig.countSent("P0,0,") < 2)
            return;
        done = true;
        if (restore)
            rig.window.findChild<QAction*>("RIPRISTINA_DA_ERRORI")->trigger();
        else
            w.close();
        QVERIFY(w.isVisible() || restore);
    });
    w.cmdStart();
    rig.clock.setOnWaitStep({});
    QVERIFY(done);
    const QStringList lines = rig.fileLines();
    QCOMPARE(lines.last(), measurement::kFileEnd);
    QVERIFY(rig.prompter.shown.isEmpty());
    QVERIFY(!rig.window.lock().locked());
    if (restore) {
        // The cycle broken off is not written, and nothing more is sent.
        QCOMPARE(lines.size(), 4);
        QCOMPARE(rig.sent().last(), QStringLiteral("P0,0,"));
        QVERIFY(enabled(w, "cmdStart"));
    } else {
        // Closing finishes the cycle like Stop, then closes.
        QCOMPARE(lines.size(), 5);
        QCOMPARE(rig.sent().last(), QStringLiteral("P0,2,"));
        QTRY_VERIFY(!window);
    }
}

void MeasurementTest::gridMemoryIsBounded()
{
    MeasurementGrid grid;
    grid.lay({"Date", "0CH 0"}, {1800, 850});
    grid.setText(1, 1, "first");
    const int cycles = 3 * MeasurementGrid::kKeptRows;
    for (int r = 1; r < cycles; ++r) {
        grid.addRow();
        grid.setText(grid.rows() - 1, 1, QString::number(r + 1));
    }
    QCOMPARE(grid.rows(), cycles + 1);
    QCOMPARE(grid.rowCount(), 1 + MeasurementGrid::kKeptRows);
    QCOMPARE(grid.text(1, 1), QStringLiteral("first"));
    QCOMPARE(grid.text(cycles, 1), QString::number(cycles));
    QCOMPARE(grid.text(2, 1), QString());
    QCOMPARE(grid.oldestContiguousRow(), cycles + 1 - MeasurementGrid::kKeptRows);
    // The view numbers rows as the operator counts them.
    QCOMPARE(grid.headerData(1, Qt::Vertical, Qt::DisplayRole).toInt(), grid.oldestContiguousRow());
}

QTEST_MAIN(MeasurementTest)
#include "tst_measurement.moc"

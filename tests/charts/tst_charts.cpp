// The chart of a continuous reading: which rows, the value axis, the pens, and the window
// itself beside a run.
#include "charts/ChartRules.h"
#include "charts/Grafici.h"
#include "link/LoggerSession.h"
#include "measurement/MeasureRig.h"
#include "measurement/MeasurementGrid.h"

#include <QCategoryAxis>
#include <QCheckBox>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

using namespace korvelan;
using namespace korvelan::charts;

Q_DECLARE_METATYPE(korvelan::charts::RowWindow)

namespace {

// Grids of `readings` readings: channel 0 reads 100 + row, channel 1 "Timeout", channel 2 (on
// multiplexer 1) 200 + row.
struct Grids
{
    MeasurementGrid one;
    MeasurementGrid two;
    LoggerSession session;

    explicit Grids(int readings)
    {
        one.lay({"Date", "0CH 0", "0CH 1", "1CH 0"}, {1800, 850, 850, 0});
        two.lay({"Date", "1CH 0"}, {1800, 850});
        for (int r = 1; r <= readings; ++r) {
            if (r > 1) {
                one.addRow();
                two.addRow();
            }
            const QString stamp =
                QStringLiteral("05/12/2026 14:%1:00").arg(r % 60, 2, 10, QChar('0'));
            one.setText(r, 0, stamp);
            two.setText(r, 0, stamp);
            one.setText(r, 1, QString::number(100 + r));
            one.setText(r, 2, QStringLiteral("Timeout"));
            two.setText(r, 1, QString::number(200 + r));
        }
        session.ChartChannelCount = 3;
        session.Mux0ChannelCount = 2;
        session.Mux1ChannelCount = 1;
    }
    [[nodiscard]] CellText cells(const MeasurementGrid& g) const
    {
        return [&g](int row, int column) { return g.text(row, column); };
    }
};

} // namespace

class ChartsTest : public QObject
{
    Q_OBJECT
private slots:
    void rowWindow_data();
    void rowWindow();
    void valueAxis_data();
    void valueAxis();
    void readingsPerLabel_data();
    void readingsPerLabel();
    void palette();
    void table();
    void chartWindow();
    void chartBesideARun();
};

void ChartsTest::rowWindow_data()
{
    QTest::addColumn<int>("gridRows");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("oldestKept");
    QTest::addColumn<RowWindow>("expected");
    QTest::newRow("119 readings, latest 50") << 120 << 50 << 0 << RowWindow{69, 50};
    QTest::newRow("29 readings, header too") << 30 << 50 << 0 << RowWindow{0, 29};
    QTest::newRow("all") << 30 << 0 << 0 << RowWindow{0, 29};
    QTest::newRow("all of a long run: what is kept") << 2000 << 0 << 1501 << RowWindow{1501, 498};
}

void ChartsTest::rowWindow()
{
    QFETCH(int, gridRows);
    QFETCH(int, count);
    QFETCH(int, oldestKept);
    QFETCH(RowWindow, expected);
    QCOMPARE(charts::rowWindow(gridRows, count, oldestKept), expected);
}

void ChartsTest::valueAxis_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("set");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    // min starts at 10000 and max at -10000: they stay there unless a value passes them.
    QTest::newRow("20000..30000") << 10000.0 << 30000.0 << true << 9000.0 << 33000.0;
    QTest::newRow("100..200") << 100.0 << 200.0 << true << 90.0 << 220.0;
    QTest::newRow("-20000..-15000") << -20000.0 << -10000.0 << true << -22000.0 << -9000.0;
    QTest::newRow("nothing ticked") << 10000.0 << -10000.0 << false << 0.0 << 0.0;
}

void ChartsTest::valueAxis()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, set);
    QFETCH(double, low);
    QFETCH(double, high);
    const auto range = charts::valueAxis(min, max);
    QCOMPARE(range.has_value(), set);
    if (set) {
        QCOMPARE(range->minimum, low);
        QCOMPARE(range->maximum, high);
    }
}

void ChartsTest::readingsPerLabel_data()
{
    QTest::addColumn<int>("readings");
    QTest::addColumn<int>("expected");
    QTest::newRow("20") << 20 << 1;
    QTest::newRow("30 (1.5 to even)") << 30 << 2;
    QTest::newRow("50 (2.5 to even)") << 50 << 2;
    QTest::newRow("70 (3.5 to even)") << 70 << 4;
}

void ChartsTest::readingsPerLabel()
{
    QFETCH(int, readings);
    QFETCH(int, expected);
    QCOMPARE(charts::readingsPerLabel(readings), expected);
}

void ChartsTest::palette()
{
    const auto pens = charts::palette();
    QCOMPARE(pens[0], (Pen{240, 0, 0, 1, 2}));
    QCOMPARE(pens[15], (Pen{20, 90, 180, 6, 3}));
    // Derived pens; a component that would be -10 is 0.
    QCOMPARE(pens[16], (Pen{230, 10, 0, 1, 4}));
    QCOMPARE(pens[18], (Pen{0, 10, 230, 1, 4}));
    QCOMPARE(pens[24], (Pen{190, 90, 40, 6, 2}));
    for (const auto& p : pens)
        QVERIFY(p.red >= 0 && p.green >= 0 && p.blue >= 0 && p.green <= 255);
}

void ChartsTest::table()
{
    Grids grids(30);
    std::array<bool, kBoxes> ticked{};
    ticked[0] = ticked[1] = ticked[2] = true;
    // The latest 10 readings: grid rows 20..30; row 1 zero in delta mode.
    const auto build = buildTable(charts::rowWindow(31, 10), 4, 2, true, ticked,
                                  grids.cells(grids.one), grids.cells(grids.two));
    QCOMPARE(build.table.size(), 11);
    QCOMPARE(build.table[0][1].toString(), QStringLiteral("120"));
    QCOMPARE(build.table[1], (QVector<QVariant>{0, 0, 0, 0}));
    QCOMPARE(build.table[10][3].toString(), QStringLiteral("230"));
    QCOMPARE(build.table[10][2].toString(), QStringLiteral("Timeout"));
    // "Timeout" is ignored for the axis; the zero row counts; row 0 does not.
    QCOMPARE(build.min, 0.0);
    QCOMPARE(build.max, 230.0);

    ticked[2] = false;
    const auto mux0Only = buildTable(charts::rowWindow(31, 10), 4, 2, false, ticked,
                                     grids.cells(grids.one), grids.cells(grids.two));
    QCOMPARE(mux0Only.min, 121.0);
    QCOMPARE(mux0Only.max, 130.0);
}

void ChartsTest::chartWindow()
{
    Grids grids(30);
    Grafici chart(grids.session, grids.one, grids.two, [] { return false; });
    QCOMPARE(chart.windowTitle(), QStringLiteral("Graph"));
    QStringList captions;
    for (int k = 0; k < kBoxes; ++k) {
        if (!chart.chkCH(k)->isHidden())
            captions << chart.chkCH(k)->text();
        QVERIFY(!chart.chkCH(k)->isChecked());
    }
    QCOMPARE(captions, (QStringList{"0CH 0", "0CH 1", "1CH 0"}));

    // Nothing ticked: one zero point.
    chart.show();
    chart.popola_grafico(50, false);
    QCOMPARE(chart.series().size(), 1);
    QCOMPARE(chart.series().first()->points(), QList<QPointF>{QPointF(1, 0)});

    // Two ticked: a series each with the palette's pens, the axis from their values.
    chart.chkCH(0)->setChecked(true);
    chart.chkCH(2)->setChecked(true);
    chart.findChild<QPushButton*>("cmdDisegna")->click();
    QCOMPARE(chart.series().size(), 2);
    QLineSeries* first = chart.series().at(0);
    QCOMPARE(first->name(), QStringLiteral("0CH 0"));
    QCOMPARE(first->pen().color(), QColor(240, 0, 0));
    QCOMPARE(first->pen().widthF(), 2.0);
    QCOMPARE(chart.series().at(1)->pen().color(), QColor(0, 0, 240));
    QCOMPARE(first->count(), 30);
    QCOMPARE(chart.valueAxis()->min(), 101 * 0.9);
    QCOMPARE(chart.valueAxis()->max(), 230 * 1.1);
    // 30 readings: a label every other one.
    QCOMPARE(chart.timeAxis()->count(), 15);
    QCOMPARE(grids.session.ChartTable.size(), 31);

    // A redraw after a new reading replaces the points of the same series; out of sight,
    // only once the chart is shown again.
    grids.one.addRow();
    grids.one.setText(31, 1, QStringLiteral("131"));
    chart.hide();
    chart.popola_grafico(50, false);
    QCOMPARE(first->count(), 30);
    QCOMPARE(grids.session.ChartTable.size(), 32);
    chart.show();
    QCOMPARE(chart.series().at(0), first);
    QCOMPARE(first->points().last(), QPointF(31, 131));

    // A single series keeps the chart's own pen; dotted pens further on.
    chart.chkCH(2)->setChecked(false);
    chart.popola_grafico(50, false);
    QCOMPARE(chart.series().size(), 1);
    QVERIFY(chart.series().first()->pen().color() != QColor(240, 0, 0));

    // Closing by the frame is closing.
    QSignalSpy closed(&chart, &Grafici::closed);
    chart.close();
    QCOMPARE(closed.count(), 1);
}

void ChartsTest::chartBesideARun()
{
    test::MeasureRig rig;
    MisCont& w = rig.open();
    QList<qsizetype> points;
    QPointer<Grafici> chart;
    QObject::connect(&w, &MisCont::cycleCompleted, &w, [&](qint64 n) {
        if (w.chartOpen())
            points << chart->series().first()->count();
        if (n == 1) {
            // Graphs during the run; every box ticked.
            w.findChild<QPushButton*>("cmdGraf")->click();
            chart = w.chart();
            for (int k = 0; k < 3; ++k)
                chart->chkCH(k)->setChecked(true);
        } else if (n == 4) {
            chart->close();
        } else if (n == 6) {
            w.cmdStop();
        }
    });
    w.cmdStart();
    // Redrawn after every cycle while open, with the readings so far; gone after its Close.
    QCOMPARE(points, (QList<qsizetype>{2, 3, 4}));
    QTRY_VERIFY(!chart);
    QVERIFY(!w.chartOpen());
    QVERIFY(w.findChild<QPushButton*>("cmdGraf")->isEnabled());
    QCOMPARE(rig.session.ChartChannelCount, int16_t(3));
}

QTEST_MAIN(ChartsTest)
#include "tst_charts.moc"

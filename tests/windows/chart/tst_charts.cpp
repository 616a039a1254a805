// The chart of a continuous reading: which rows, the value axis, the pens, and the window
// itself beside a run.
#include "link/LoggerSession.h"
#include "windows/chart/ChartRules.h"
#include "windows/chart/Grafici.h"
#include "windows/measurement/MeasureRig.h"

#include <QCategoryAxis>
#include <QCheckBox>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

using namespace korvelan;
using namespace korvelan::charts;

namespace {

// Grids of `readings` readings: channel 0 reads 100 + row, channel 1 "Timeout", channel 2 (the
// first of multiplexer 1) 200 + row.
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
            one.setText(r, 0,
                        QStringLiteral("05/12/2026 14:%1:00").arg(r % 60, 2, 10, QChar(u'0')));
            one.setText(r, 1, QString::number(100 + r));
            one.setText(r, 2, QStringLiteral("Timeout"));
            two.setText(r, 1, QString::number(200 + r));
        }
        session.ChartChannelCount = 3;
        session.Mux0ChannelCount = 2;
        session.Mux1ChannelCount = 1;
    }
    ChartBuild build(int count, bool delta, std::array<bool, kBoxes> ticked)
    {
        return buildTable(
            rowWindow(one.rows(), count), 4, 2, delta, ticked,
            [this](int r, int c) { return one.text(r, c); },
            [this](int r, int c) { return two.text(r, c); });
    }
};

} // namespace

class ChartsTest : public QObject
{
    Q_OBJECT
private slots:
    void rules();
    void palette();
    void table();
    void chartWindow();
    void chartBesideARun();
};

void ChartsTest::rules()
{
    // Rows: grid rows, count, first row kept -> first grid row, readings drawn.
    const auto rows = [](int gridRows, int count, int kept) {
        const auto w = rowWindow(gridRows, count, kept);
        return std::pair{w.firstGridRow, w.lastRow};
    };
    QCOMPARE(rows(30, 50, 0), std::pair(0, 29));         // 29 readings, header too
    QCOMPARE(rows(2000, 0, 1501), std::pair(1501, 498)); // all of a long run: what is kept
    // Axis: min and max (they start at 10000 and -10000) -> the axis, or nothing.
    const auto axis = [](double min, double max) {
        const auto a = valueAxis(min, max);
        return a ? std::pair{qRound(a->minimum), qRound(a->maximum)} : std::pair{0, 0};
    };
    QCOMPARE(axis(10000, 30000), std::pair(9000, 33000));
    QCOMPARE(axis(-20000, -10000), std::pair(-22000, -9000));
    // Readings -> readings per label, a half going to the even neighbour.
    QCOMPARE(readingsPerLabel(20), 1);
    QCOMPARE(readingsPerLabel(50), 2);
    QCOMPARE(readingsPerLabel(70), 4);
}

void ChartsTest::palette()
{
    // The pens past the sixteenth are derived; a component that would be -10 is 0.
    const auto pens = charts::palette();
    QCOMPARE(pens[16], (Pen{230, 10, 0, 1, 4}));
    QCOMPARE(pens[18], (Pen{0, 10, 230, 1, 4}));
    QCOMPARE(pens[24], (Pen{190, 90, 40, 6, 2}));
}

void ChartsTest::table()
{
    Grids grids(30);
    // The latest 10 readings: grid rows 20..30, row 1 all zeros in delta mode. "Timeout" is
    // left out of the axis; the zero row counts, row 0 does not.
    const auto delta = grids.build(10, true, {true, true, true});
    QCOMPARE(delta.table.size(), 11);
    QCOMPARE(delta.table[0][1].toString(), QStringLiteral("120"));
    QCOMPARE(delta.table[1], (QVector<QVariant>{0, 0, 0, 0}));
    QCOMPARE(delta.table[10][3].toString(), QStringLiteral("230"));
    QCOMPARE(delta.min, 0.0);
    QCOMPARE(delta.max, 230.0);
    const auto mux0 = grids.build(10, false, {true, true, false});
    QCOMPARE(mux0.min, 121.0);
    QCOMPARE(mux0.max, 130.0);
}

void ChartsTest::chartWindow()
{
    Grids grids(30);
    Grafici chart(grids.session, grids.one, grids.two, [] { return false; });
    QStringList captions;
    for (int k = 0; k < kBoxes; ++k) {
        if (!chart.chkCH(k)->isHidden())
            captions << chart.chkCH(k)->text();
    }
    QCOMPARE(captions, (QStringList{"0CH 0", "0CH 1", "1CH 0"}));

    // Nothing ticked: one zero point.
    chart.show();
    chart.popola_grafico(50, false);
    QCOMPARE(chart.series().size(), 1);
    QCOMPARE(chart.series().first()->points(), QList<QPointF>{QPointF(1, 0)});

    // Two ticked: a series each with the palette's pens, the axis from their values, a label
    // every other reading.
    chart.chkCH(0)->setChecked(true);
    chart.chkCH(2)->setChecked(true);
    chart.findChild<QPushButton*>("cmdDisegna")->click();
    QCOMPARE(chart.series().size(), 2);
    QLineSeries* first = chart.series().at(0);
    QCOMPARE(first->name(), QStringLiteral("0CH 0"));
    QCOMPARE(first->pen().color(), QColor(240, 0, 0));
    QCOMPARE(chart.series().at(1)->pen().color(), QColor(0, 0, 240));
    QCOMPARE(first->count(), 30);
    QCOMPARE(chart.valueAxis()->min(), 101 * 0.9);
    QCOMPARE(chart.valueAxis()->max(), 230 * 1.1);
    QCOMPARE(chart.timeAxis()->count(), 15);

    // A new reading: the same series get new points; out of sight, once shown again.
    grids.one.addRow();
    grids.one.setText(31, 1, QStringLiteral("131"));
    chart.hide();
    chart.popola_grafico(50, false);
    QCOMPARE(grids.session.ChartTable.size(), 32);
    QCOMPARE(first->count(), 30);
    chart.show();
    QCOMPARE(chart.series().at(0), first);
    QCOMPARE(first->points().last(), QPointF(31, 131));

    // A single series keeps the chart's own pen.
    chart.chkCH(2)->setChecked(false);
    chart.popola_grafico(50, false);
    QCOMPARE(chart.series().size(), 1);
    QVERIFY(chart.series().first()->pen().color() != QColor(240, 0, 0));

    QSignalSpy closed(&chart, &Grafici::closed);
    chart.close(); // by the frame as by Close
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
            // Graphs during the run, every box ticked.
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
    // Redrawn after every cycle while open, with the readings so far; gone after its Close,
    // which gives Graphs back.
    QCOMPARE(points, (QList<qsizetype>{2, 3, 4}));
    QTRY_VERIFY(!chart);
    QVERIFY(!w.chartOpen());
    QVERIFY(w.findChild<QPushButton*>("cmdGraf")->isEnabled());
    QCOMPARE(rig.session.ChartChannelCount, int16_t(3));
}

QTEST_MAIN(ChartsTest)
#include "tst_charts.moc"

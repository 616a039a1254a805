#pragma once

#include "windows/chart/ChartRules.h"

#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QCategoryAxis;
class QChart;
class QChartView;
class QCheckBox;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace korvelan {

class MeasurementGrid;
struct LoggerSession;

// "Graph": line series of the latest readings of a continuous run, one per ticked channel.
// It reads the two measurement grids and hands the table it draws over in ChartTable.
//
// A redraw replaces the points of the series already on the chart; series are made again
// only when the ticked channels change, so redrawing after every cycle stays cheap. While the
// window is out of sight (minimized) only the table is made; the chart follows when shown.
class Grafici : public QWidget
{
    Q_OBJECT
public:
    // `delta` tells whether the measurement window shows differences from its first reading.
    Grafici(LoggerSession& session, const MeasurementGrid& grid1, const MeasurementGrid& grid2,
            std::function<bool()> delta, QWidget* parent = nullptr);
    ~Grafici() override;

    // Draws the latest `count` readings (0: all there are).
    void popola_grafico(int count, bool delta);
    void cmdDisegna();
    void cmdChiudi();

    [[nodiscard]] QCheckBox* chkCH(int k) const { return m_boxes.at(size_t(k)); }
    [[nodiscard]] QChart* chart() const { return m_chart; }
    [[nodiscard]] QChartView* view() const { return m_view; }
    [[nodiscard]] QValueAxis* valueAxis() const { return m_axisY; }
    [[nodiscard]] QCategoryAxis* timeAxis() const { return m_axisX; }
    [[nodiscard]] const QList<QLineSeries*>& series() const { return m_series; }

signals:
    // The window was closed (Close or its frame).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Puts the latest table on the chart.
    void draw();
    void makeSeries(const QList<int>& columns);
    void drawSeries(const charts::ChartTable& table, const QList<int>& ticked);
    void labelTimeAxis(const charts::ChartTable& table);

    LoggerSession& m_session;
    const MeasurementGrid& m_grid1;
    const MeasurementGrid& m_grid2;
    std::function<bool()> m_delta;
    std::array<QCheckBox*, charts::kBoxes> m_boxes{};
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QValueAxis* m_axisY = nullptr;
    QCategoryAxis* m_axisX = nullptr;
    QList<QLineSeries*> m_series;
    QList<int> m_seriesColumns{-1}; // what the series stand for; nothing yet
    QList<int> m_columns;           // the ticked columns of the latest table
    std::optional<charts::AxisRange> m_range;
    bool m_stale = false;
};

} // namespace korvelan

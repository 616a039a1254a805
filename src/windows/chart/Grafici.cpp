#include "windows/chart/Grafici.h"

#include "link/LoggerSession.h"
#include "link/NumberForms.h"
#include "measurement/MeasurementGrid.h"
#include "measurement/MeasurementText.h"
#include "ui/Layouts.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGraphicsScene>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QVBoxLayout>
#include <QValueAxis>

namespace korvelan {

namespace {

// The category axis wants each label once; readings of the same second share a time.
const QChar kInvisible(0x200B);

} // namespace

Grafici::Grafici(LoggerSession& session, const MeasurementGrid& grid1, const MeasurementGrid& grid2,
                 std::function<bool()> delta, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_grid1(grid1), m_grid2(grid2),
      m_delta(std::move(delta))
{
    setObjectName(QStringLiteral("Grafici"));
    setWindowTitle(QStringLiteral("Graph"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_chart = new QChart;
    m_chart->legend()->setVisible(true);
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_axisX = new QCategoryAxis(m_chart);
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisX->setLabelsAngle(-90);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_axisY = new QValueAxis(m_chart);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("MSChart1"));
    m_view->setRenderHint(QPainter::Antialiasing);
    // Every redraw moves the labels: an index of item positions costs more than it saves.
    m_view->scene()->setItemIndexMethod(QGraphicsScene::NoIndex);

    // One box per channel of the run: multiplexer 0's first, then multiplexer 1's.
    auto* boxes = new QGridLayout;
    const int shown = std::clamp<int>(m_session.ChartChannelCount, 0, charts::kBoxes);
    for (int k = 0; k < charts::kBoxes; ++k) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("chkCH%1").arg(k));
        const int mux0 = m_session.Mux0ChannelCount;
        box->setText(k < mux0 ? measurement::channelCaption(0, k)
                              : measurement::channelCaption(1, k - mux0));
        box->setVisible(k < shown);
        boxes->addWidget(box, k % 16, k / 16);
        m_boxes[size_t(k)] = box;
    }
    auto* draw = layouts::button(QStringLiteral("cmdDisegna"), QStringLiteral("Draw"), this);
    auto* close = layouts::button(QStringLiteral("cmdChiudi"), QStringLiteral("Close"), this);
    connect(draw, &QPushButton::clicked, this, &Grafici::cmdDisegna);
    connect(close, &QPushButton::clicked, this, &Grafici::cmdChiudi);

    auto* side = new QVBoxLayout;
    side->addLayout(boxes);
    side->addStretch(1);
    side->addWidget(draw);
    side->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(side);

    resize(980, 600);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

Grafici::~Grafici() = default;

void Grafici::popola_grafico(int count, bool delta)
{
    const auto rows = charts::rowWindow(m_grid1.rows(), count, m_grid1.oldestContiguousRow());
    std::array<bool, charts::kBoxes> ticked{};
    m_columns.clear();
    for (int k = 0; k < charts::kBoxes; ++k) {
        ticked[size_t(k)] = m_boxes[size_t(k)]->isChecked();
        if (ticked[size_t(k)])
            m_columns << k + 1;
    }
    const auto build = charts::buildTable(
        rows, m_grid1.columns(), m_session.Mux0ChannelCount, delta, ticked,
        [this](int row, int column) { return m_grid1.text(row, column); },
        [this](int row, int column) { return m_grid2.text(row, column); });
    m_session.ChartTable = build.table;
    // With no ticked value the axis stays as it was.
    if (const auto range = charts::valueAxis(build.min, build.max))
        m_range = range;
    m_stale = true;
    // A chart out of sight is brought up to date when it is shown again: laying out the
    // axes' labels is most of the work of a redraw.
    if (isVisible() && !isMinimized())
        draw();
}

void Grafici::draw()
{
    m_stale = false;
    if (m_range)
        m_axisY->setRange(m_range->minimum, m_range->maximum);
    m_range.reset();
    if (m_columns.isEmpty()) {
        // Nothing ticked: a single zero point.
        if (m_seriesColumns != QList<int>{0})
            makeSeries({0});
        m_series.first()->replace(QList<QPointF>{QPointF(1, 0)});
        return;
    }
    if (m_columns != m_seriesColumns)
        makeSeries(m_columns);
    const auto& table = m_session.ChartTable;
    drawSeries(table, m_columns);
    labelTimeAxis(table);
    m_chart->legend()->setVisible(true);
}

void Grafici::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        draw();
}

void Grafici::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_stale && isVisible() && !isMinimized())
        draw();
}

void Grafici::makeSeries(const QList<int>& columns)
{
    for (auto* s : std::as_const(m_series)) {
        m_chart->removeSeries(s);
        delete s;
    }
    m_series.clear();
    const auto pens = charts::palette();
    for (const int column : columns) {
        auto* s = new QLineSeries;
        s->setName(column == 0 ? QString() : m_boxes[size_t(column - 1)]->text());
        m_chart->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
        if (column == 0) {
            s->setPointsVisible(true);
            for (auto* marker : m_chart->legend()->markers(s))
                marker->setVisible(false);
        } else if (columns.size() >= 2) {
            // A single series keeps the chart's own pen.
            const charts::Pen& p = pens[size_t(column - 1)];
            s->setPen(QPen(QColor(p.red, p.green, p.blue), p.width,
                           p.style == 6 ? Qt::DotLine : Qt::SolidLine));
        }
        m_series << s;
    }
    m_seriesColumns = columns;
}

void Grafici::drawSeries(const charts::ChartTable& table, const QList<int>& ticked)
{
    for (qsizetype s = 0; s < ticked.size(); ++s) {
        QList<QPointF> points;
        points.reserve(table.size());
        for (qsizetype r = 1; r < table.size(); ++r) {
            double value = 0;
            if (numbers::isNumeric(table[r].value(ticked[s]).toString(), &value))
                points << QPointF(double(r), value);
        }
        m_series[s]->replace(points);
    }
}

void Grafici::labelTimeAxis(const charts::ChartTable& table)
{
    const int readings = static_cast<int>(table.size()) - 1;
    const int every = charts::readingsPerLabel(readings);
    for (const QString& label : m_axisX->categoriesLabels())
        m_axisX->remove(label);
    QSet<QString> used;
    for (int r = 1; r <= readings; r += every) {
        QString label = table[r].value(0).toString();
        while (used.contains(label))
            label += kInvisible;
        used.insert(label);
        m_axisX->append(label, r);
    }
    m_axisX->setRange(0.5, std::max(readings, 1) + 0.5);
}

void Grafici::cmdDisegna()
{
    popola_grafico(50, m_delta && m_delta());
}

void Grafici::cmdChiudi()
{
    close();
}

void Grafici::closeEvent(QCloseEvent* event)
{
    // Closing by the frame is closing: the measurement window gets its Graphs button back
    // and stops redrawing.
    emit closed();
    event->accept();
}

} // namespace korvelan

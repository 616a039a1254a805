#include "windows/measurement/GridView.h"

#include "measurement/MeasurementGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace korvelan {

namespace {

// Row numbers in a column of fixed width. The header's own size hint measures the text of
// every row label again after each new row: far more work than the cycle itself.
class RowNumbers final : public QHeaderView
{
public:
    explicit RowNumbers(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setDefaultAlignment(Qt::AlignCenter);
        m_width = fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 8;
        setFixedWidth(m_width);
    }
    [[nodiscard]] QSize sizeHint() const override { return {m_width, defaultSectionSize()}; }

private:
    int m_width = 0;
};

QTableView* makeView(MeasurementGrid& grid, QWidget* parent)
{
    auto* view = new QTableView(parent);
    // Both views keep their columns in line: the row numbers take the same width in each.
    view->setVerticalHeader(new RowNumbers(view));
    view->setModel(&grid);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setWordWrap(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    return view;
}

} // namespace

GridView::GridView(const QString& name, MeasurementGrid& grid, QWidget* parent)
    : QWidget(parent), m_grid(grid)
{
    setObjectName(name);
    m_first = makeView(grid, this);
    m_first->setObjectName(name + QStringLiteral("_first"));
    m_first->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_first->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_first->hide();
    m_rows = makeView(grid, this);
    m_rows->setObjectName(name + QStringLiteral("_rows"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_first);
    layout->addWidget(m_rows, 1);

    connect(m_rows->horizontalScrollBar(), &QScrollBar::valueChanged,
            m_first->horizontalScrollBar(), &QScrollBar::setValue);
    connect(&grid, &QAbstractItemModel::modelReset, this, &GridView::applyLayout);
    applyLayout();
}

void GridView::applyLayout()
{
    // The layout's widths, made wide enough for a date or a reading in this screen's font.
    const QFontMetrics metrics = m_rows->fontMetrics();
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 12;
    const int valueWidth = metrics.horizontalAdvance(QStringLiteral("-00000.000")) + 12;
    for (auto* view : {m_first, m_rows}) {
        for (int c = 0; c < m_grid.columns(); ++c) {
            const int width = m_grid.columnWidth(c);
            view->setColumnHidden(c, width == 0);
            if (width > 0)
                view->setColumnWidth(c, std::max(width / MeasurementGrid::kTwipsPerPixel,
                                                 c == 0 ? dateWidth : valueWidth));
        }
    }
    pinFirstRow(m_pinned);
}

void GridView::pinFirstRow(bool on)
{
    m_pinned = on;
    m_first->setVisible(on);
    m_rows->horizontalHeader()->setVisible(!on);
    m_rows->setRowHidden(0, on);
    if (on) {
        const int height = m_first->horizontalHeader()->sizeHint().height() +
                           m_first->verticalHeader()->defaultSectionSize() +
                           2 * m_first->frameWidth();
        m_first->setFixedHeight(height);
        m_first->horizontalScrollBar()->setValue(m_rows->horizontalScrollBar()->value());
    }
}

void GridView::scrollToLatest()
{
    // A view out of sight is brought to its latest rows when it is shown.
    if (m_rows->isVisible())
        m_rows->scrollToBottom();
}

void GridView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_rows->scrollToBottom();
}

bool GridView::columnShown(int column) const
{
    return !m_rows->isColumnHidden(column);
}

} // namespace korvelan

#include "measurement/GridView.h"

#include "measurement/MeasurementGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace korvelan {

namespace {

QTableView* makeView(MeasurementGrid& grid, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setModel(&grid);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setWordWrap(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Both views keep their columns in line: the row numbers take the same width in each.
    view->verticalHeader()->setFixedWidth(
        view->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 8);
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
    for (auto* view : {m_first, m_rows}) {
        for (int c = 0; c < m_grid.columns(); ++c) {
            const int width = m_grid.columnWidth(c);
            view->setColumnHidden(c, width == 0);
            if (width > 0)
                view->setColumnWidth(c, width / MeasurementGrid::kTwipsPerPixel);
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
    m_rows->scrollToBottom();
}

bool GridView::columnShown(int column) const
{
    return !m_rows->isColumnHidden(column);
}

} // namespace korvelan

#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <deque>

namespace korvelan {

// One grid of the continuous reading: a header row, then one row per reading cycle.
//
// Rows are numbered as the operator counts them: row 0 is the header, row 1 the first
// reading, rows() - 1 the row being filled. A run may last a week at a cycle a second, so the
// grid keeps the header, the first reading (the reference of the differences) and only the
// latest kKeptRows rows; the measurement file holds every cycle. Memory stays the same however
// long the run.
//
// As a table model it shows the first reading, then the kept latest rows; the header row is
// the model's horizontal header and each row's vertical header is its row number.
class MeasurementGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kKeptRows = 500;
    static constexpr int kTwipsPerPixel = 15;

    using QAbstractTableModel::QAbstractTableModel;

    // Lays the grid out for a run: the header texts and column widths (in twips; 0 = a column
    // that exists but is not shown), and one empty row to fill.
    void lay(const QStringList& headers, const QList<int>& widths);
    [[nodiscard]] int rows() const { return m_rows; }
    [[nodiscard]] int columns() const { return static_cast<int>(m_header.size()); }
    [[nodiscard]] int columnWidth(int column) const { return m_widths.value(column); }
    // A cell's text; empty for a row that is no longer kept.
    [[nodiscard]] QString text(int row, int column) const;
    void setText(int row, int column, const QString& text);
    void addRow();
    // The first row from which every row to the last is kept (0 while nothing was dropped).
    [[nodiscard]] int oldestContiguousRow() const;
    [[nodiscard]] int gridRow(int modelRow) const;
    [[nodiscard]] int modelRow(int gridRow) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    [[nodiscard]] const QStringList* rowAt(int row) const;

    QStringList m_header;
    QList<int> m_widths;
    QStringList m_first;
    std::deque<QStringList> m_latest; // rows m_latestStart onwards
    int m_latestStart = 2;
    int m_rows = 0;
};

} // namespace korvelan

#pragma once

#include <QWidget>

class QTableView;

namespace korvelan {

class MeasurementGrid;

// A measurement grid on screen. When the first reading is pinned (differences from it are
// shown), it stands under the header above the rows that scroll, so it stays in sight.
class GridView : public QWidget
{
    Q_OBJECT
public:
    GridView(const QString& name, MeasurementGrid& grid, QWidget* parent = nullptr);

    [[nodiscard]] QTableView* table() const { return m_rows; }
    [[nodiscard]] bool firstRowPinned() const { return m_pinned; }
    void pinFirstRow(bool on);
    // Shows the latest rows.
    void scrollToLatest();
    [[nodiscard]] bool columnShown(int column) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyLayout();

    MeasurementGrid& m_grid;
    QTableView* m_first = nullptr; // the pinned first reading, with the header
    QTableView* m_rows = nullptr;
    bool m_pinned = false;
};

} // namespace korvelan

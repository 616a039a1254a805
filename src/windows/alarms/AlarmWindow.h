#pragma once

#include "ui/ExchangeWindow.h"
#include "ui/FlagBox.h"
#include "ui/ValueEdit.h"
#include "windows/alarms/AlarmSideGroups.h"

#include <QColor>
#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace korvelan {

// "Alerts and Warnings settings": per channel an enable value, an alert band and a warning
// band; the SMS texts the logger sends; the spike filter; and how many sensors must be out
// of their band together before an alert or a warning is raised.
//
// The rows show one selection at a time: multiplexer 0 or 1, or virtual multiplexer 0 or 1
// (channels 32 up, each in use or not as the logger says).
class AlarmWindow : public ExchangeWindow
{
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    static constexpr int kSelections = 4;
    static inline const QColor kEnableColour{192, 255, 192};
    static inline const QColor kAlertColour{255, 255, 128};
    static inline const QColor kWarningColour{255, 255, 192};
    static inline const QColor kPlain = AlarmSideGroups::kPlain;

    AlarmWindow(Transport& transport, Prompter& prompter, std::function<int(int)> channelCount,
                QWidget* parent = nullptr);

    // Rows of selection m (0..3).
    void Leggi_all(int m);
    void ScriviAll(int m);
    // The SMS texts, the filter and the simultaneous-alarm rule.
    [[nodiscard]] AlarmSideGroups& side() { return *m_side; }

    // The row's boxes: enable, alert up, alert down, warning up, warning down (columns 0..4).
    [[nodiscard]] ValueEdit* box(int row, int column) const
    {
        return m_rows.at(size_t(row)).boxes.at(size_t(column));
    }
    [[nodiscard]] QCheckBox* chkFiltro(int row) const { return m_rows.at(size_t(row)).filter; }
    [[nodiscard]] QLabel* Numero_Canali(int row) const { return m_rows.at(size_t(row)).number; }
    [[nodiscard]] ValueEdit* smsLine(int i) const { return m_side->smsLine(i); }

protected:
    void updateButtons() override;
    void prepareForOpening() override;

private:
    struct Row
    {
        QLabel* number = nullptr;
        std::array<ValueEdit*, 5> boxes{};
        QCheckBox* filter = nullptr;
    };

    void build();
    // Names the row's boxes for a screen reader by the channel its label shows.
    static void nameRow(const Row& row);
    QWidget* buildRows();
    QPushButton* addButton(const QString& name, const QString& caption, QWidget* parent);
    ValueEdit* addBox(const QString& name, QWidget* parent);
    void restoreColours(const Row& row);
    void setRowEnabled(const Row& row, bool on);
    // After the SMS and rule reads: the rows of a real multiplexer are written only right
    // after they were read.
    void forgetRealRows();
    void refuse(const QString& title, const QString& text);

    std::array<Row, kRows> m_rows{};
    std::array<QPushButton*, kSelections> m_read{};
    std::array<QPushButton*, kSelections> m_write{};
    AlarmSideGroups* m_side = nullptr;
    // A read is placing the logger's values: filter boxes it ticks are not the operator's edits.
    bool m_filling = false;
    // The selection whose rows are on screen; -1 when none may be written.
    int m_shown = -1;
};

} // namespace korvelan

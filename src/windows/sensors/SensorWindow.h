#pragma once

#include "ui/ExchangeWindow.h"
#include "ui/FlagBox.h"
#include "ui/ValueEdit.h"

#include <QColor>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvelan {

// "Sensors Settings": the record of every active channel of one multiplexer (name, the
// two-point scaling from volts to the physical value, vibrating wire or not), read from the
// logger, edited and written back.
//
// The vibrating-wire flag is set eight channels at a time, by the bank boxes: each bank
// has to match a jumper on the logger's board.
class SensorWindow : public ExchangeWindow
{
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    static constexpr int kBankRows = 8;
    static constexpr int kNameLength = 10;
    static constexpr int kValueLength = 13;
    // A bank changed by the operator and not yet written.
    static inline const QColor kBankChanged{255, 128, 0};

    SensorWindow(Transport& transport, Prompter& prompter, std::function<int(int)> channelCount,
                 QWidget* parent = nullptr);

    // "Read MUX0", "Read MUX1".
    void Leggi_prop(int m);
    // "Write MUX0", "Write MUX1".
    void ScriviProp(int m);
    // A bank box has changed (by the operator, or by a read).
    void chkBanco_Click(int k);
    // Vibrating-wire flags the operator brings for rows 0.. (from a settings file): asks the
    // jumper question first when any differs from what its row shows; false on No, the rows
    // as they were.
    bool takeVibratingWire(const QList<bool>& flags);

    [[nodiscard]] ValueEdit* NomeCanali(int i) const { return m_rows.at(size_t(i)).name; }
    // Zero volt, full-scale volt, zero physical, full-scale physical: columns 0..3.
    [[nodiscard]] ValueEdit* value(int i, int column) const
    {
        return m_rows.at(size_t(i)).values.at(size_t(column));
    }
    [[nodiscard]] FlagBox* chkSghembo(int i) const { return m_rows.at(size_t(i)).vibratingWire; }
    [[nodiscard]] FlagBox* chkBanco(int k) const { return m_banks.at(size_t(k)).box; }
    [[nodiscard]] bool bankMarked(int k) const;
    [[nodiscard]] QPushButton* readButton(int m) const { return m_read.at(size_t(m)); }
    [[nodiscard]] QPushButton* writeButton(int m) const { return m_write.at(size_t(m)); }

protected:
    void updateButtons() override;
    void prepareForOpening() override;

private:
    struct Row
    {
        QLabel* number = nullptr;
        ValueEdit* name = nullptr;
        std::array<ValueEdit*, 4> values{};
        QLineEdit* cl = nullptr;
        QLineEdit* cw = nullptr;
        FlagBox* vibratingWire = nullptr;
    };
    struct Bank
    {
        FlagBox* box = nullptr;
        QFrame* highlight = nullptr;
    };

    void build();
    void setRowEnabled(const Row& row, bool on);
    // The bank box takes the state of its first row, as the logger gave it.
    void followFirstRow(int k);
    void markBank(int k, bool changed);
    [[nodiscard]] bool jumpersConfirmed();

    std::array<Row, kRows> m_rows{};
    std::array<Bank, 2> m_banks{};
    std::array<QPushButton*, 2> m_read{};
    std::array<QPushButton*, 2> m_write{};
    std::array<QLabel*, 4> m_captions{};
    // A read is placing the logger's values: bank changes are the program's, not the operator's.
    bool m_filling = false;
    // The multiplexer whose records the rows show; -1 before a read.
    int m_shown = -1;
};

} // namespace korvelan

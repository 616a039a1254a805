#pragma once

#include "ui/GroupContext.h"

#include <QObject>
#include <array>

class QPushButton;
class QWidget;

namespace korvelan {

class FieldEdit;
class SwitchBox;

// When the logger acquires: start date, timer, pre-heating, and the acquisition switch.
class ScheduleGroup : public QObject
{
    Q_OBJECT
public:
    ScheduleGroup(GroupContext context, QWidget* calendarPage, QWidget* timersPage);

    void Command2(); // read timer
    void Command1(); // write timer
    void preacc();
    void impostapreacc();
    void LeggiDataAllarme();
    void ScriviDataAllarme();
    void Subito();
    void ReadSt();
    void switchAcquisitions(bool on);

    [[nodiscard]] FieldEdit* conversione(int i) const { return m_timer.at(size_t(i)); }
    [[nodiscard]] FieldEdit* preaccensione() const { return m_preheat; }
    [[nodiscard]] FieldEdit* data_allarme(int i) const { return m_start.at(size_t(i)); }
    // The next acquisition's day, month, year, hours and minutes; their frame is hidden
    // until something fills them.
    [[nodiscard]] FieldEdit* Prox(int i) const { return m_prox.at(size_t(i)); }
    [[nodiscard]] SwitchBox* data_logging() const { return m_dataLogging; }
    [[nodiscard]] QWidget* Frame2() const { return m_frame2; }

private:
    void showTimerMessage();
    void showDateMessage();

    GroupContext m_ctx;
    std::array<FieldEdit*, 3> m_timer{};
    FieldEdit* m_preheat = nullptr;
    std::array<FieldEdit*, 5> m_start{};
    std::array<FieldEdit*, 5> m_prox{};
    SwitchBox* m_dataLogging = nullptr;
    QWidget* m_frame2 = nullptr;
};

} // namespace korvelan

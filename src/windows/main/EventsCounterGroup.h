#pragma once

#include "ui/GroupContext.h"

#include <QObject>

class QWidget;

namespace korvelan {

class FieldEdit;
class SwitchBox;

// The events counter, typically a rain gauge's tipping bucket: its switch (on the channels
// page) and the quantity the logger counts per pulse (on the alerts page).
class EventsCounterGroup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPulseLength = 14;

    EventsCounterGroup(GroupContext context, QWidget* channelsPage, QWidget* alertsPage);

    // A press on the switch, asking for `on`.
    void switchCounter(bool on);
    void mmpioggialeggi();
    void mmpioggiatastoscrivi();

    [[nodiscard]] SwitchBox* PLUVIOMETRO() const { return m_switch; }
    [[nodiscard]] FieldEdit* mmpioggia() const { return m_pulse; }

private:
    GroupContext m_ctx;
    SwitchBox* m_switch = nullptr;
    FieldEdit* m_pulse = nullptr;
};

} // namespace korvelan

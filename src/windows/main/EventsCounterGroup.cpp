#include "windows/main/EventsCounterGroup.h"

#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/SwitchBox.h"
#include "ui/WriteRecord.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvelan {

namespace {
constexpr int kSwitchPause = 50; // hundredths, before the switch is read back
}

EventsCounterGroup::EventsCounterGroup(GroupContext context, QWidget* channelsPage,
                                       QWidget* alertsPage)
    : QObject(channelsPage), m_ctx(context)
{
    m_switch = new SwitchBox(QStringLiteral("PLUVIOMETRO"),
                             QStringLiteral("Enable events counter (Rain gauge)"), channelsPage);
    layouts::addToPage(channelsPage, m_switch);

    auto* frame = new QGroupBox(QStringLiteral("Events counter"), alertsPage);
    frame->setObjectName(QStringLiteral("FramePulses"));
    auto* row = new QHBoxLayout(frame);
    m_pulse = new FieldEdit(QStringLiteral("mmpioggia"), kPulseLength, frame);
    auto* read =
        layouts::button(QStringLiteral("mmpioggialeggi"), QStringLiteral("Read pulses"), frame);
    auto* write = layouts::button(QStringLiteral("mmpioggiatastoscrivi"),
                                  QStringLiteral("Write pulses"), frame);
    row->addWidget(layouts::caption(QStringLiteral("Pulse value"), m_pulse));
    row->addWidget(m_pulse);
    row->addWidget(read);
    row->addWidget(write);
    row->addStretch(1);
    layouts::addToPage(alertsPage, frame);

    connect(m_switch, &SwitchBox::switchRequested, this, &EventsCounterGroup::switchCounter);
    connect(read, &QPushButton::clicked, this, &EventsCounterGroup::mmpioggialeggi);
    connect(write, &QPushButton::clicked, this, &EventsCounterGroup::mmpioggiatastoscrivi);
}

void EventsCounterGroup::switchCounter(bool on)
{
    m_ctx.lock.exchange([&] {
        auto& t = m_ctx.transport;
        // Refused, the press reads the switch all the same (the connection's read is the only
        // other one).
        WriteRecord record(m_ctx.prompter, SwitchBox::kReadInstead);
        const auto commands =
            record.command(QStringLiteral("u")).flag(m_switch, FlagForm::Plain, on).take();
        if (commands) {
            send(t, commands->first());
            t.Pausa(kSwitchPause);
        }
        t.Invia_Comando(QStringLiteral("U"), QStringLiteral(","));
        m_switch->showReply(replies::flag(t.Leggi_Campo()));
    });
}

void EventsCounterGroup::mmpioggialeggi()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Invia_Comando(QStringLiteral("<"), QString());
        const QString field = m_ctx.transport.Leggi_Campo();
        m_pulse->showReply(field.trimmed(), replies::text(field), kDesign);
    });
}

void EventsCounterGroup::mmpioggiatastoscrivi()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter,
                           QStringLiteral("read the pulses first (\"Read pulses\")"));
        const auto commands = record.command(QStringLiteral(">")).field(m_pulse).take();
        if (!commands)
            return;
        send(m_ctx.transport, commands->first());
        mmpioggialeggi();
    });
}

} // namespace korvelan

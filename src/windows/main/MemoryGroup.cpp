#include "windows/main/MemoryGroup.h"

#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/Layouts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvelan {

MemoryGroup::MemoryGroup(GroupContext context, QWidget* generalPage, QWidget* channelsPage,
                         ResetReads resetReads)
    : QObject(generalPage), m_ctx(context), m_resetReads(std::move(resetReads))
{
    auto* state = new QGroupBox(QStringLiteral("Memory"), generalPage);
    state->setObjectName(QStringLiteral("FrameMemory"));
    auto* grid = new QGridLayout(state);
    // One caption over both boxes: each box starts under its word.
    const QString captions = QStringLiteral("All                     Free");
    grid->addWidget(new QLabel(captions, state), 0, 0, 1, 2);
    m_total = new QLineEdit(state);
    m_total->setObjectName(QStringLiteral("Acq_possibili"));
    m_total->setAccessibleName(QStringLiteral("All acquisitions"));
    m_free = new QLineEdit(state);
    m_free->setObjectName(QStringLiteral("acq_disponibili"));
    m_free->setAccessibleName(QStringLiteral("Free acquisitions"));
    const int toFree =
        state->fontMetrics().horizontalAdvance(captions.left(captions.indexOf(u'F')));
    for (auto* box : {m_total, m_free}) {
        box->setReadOnly(true); // what the logger counts, not the operator
        box->setFixedWidth(toFree - grid->horizontalSpacing());
    }
    grid->addWidget(m_total, 1, 0);
    grid->addWidget(m_free, 1, 1);
    auto* refresh =
        layouts::button(QStringLiteral("Aggiorna_acq"), QStringLiteral("Memory state"), state);
    grid->addLayout(layouts::row({refresh}), 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    layouts::addToPage(generalPage, state);

    auto* erase = new QGroupBox(QStringLiteral("Memory"), channelsPage);
    erase->setObjectName(QStringLiteral("FrameErase"));
    auto* row = new QHBoxLayout(erase);
    auto* clear = layouts::button(QStringLiteral("Azzera_memoria"),
                                  QStringLiteral("Delete Acquisitions"), erase);
    auto* reset = layouts::button(QStringLiteral("Resetta"), QStringLiteral("Reset"), erase);
    row->addWidget(clear);
    row->addWidget(reset);
    row->addStretch(1);
    layouts::addToPage(channelsPage, erase);

    connect(refresh, &QPushButton::clicked, this, &MemoryGroup::Aggiorna_acq);
    connect(clear, &QPushButton::clicked, this, &MemoryGroup::Azzera_memoria);
    connect(reset, &QPushButton::clicked, this, &MemoryGroup::Resetta);
}

void MemoryGroup::Aggiorna_acq()
{
    m_ctx.lock.exchange([&] {
        auto& t = m_ctx.transport;
        t.Invia_Comando(QStringLiteral("H"), QStringLiteral("0,"));
        const QString count = t.Leggi_Campo();
        if (t.cancelled())
            return; // the operator gave up on this action: no verdict on an answer never read
        if (numbers::leadingNumber(count) == 0) {
            m_ctx.prompter.inform(PromptIcon::Information, QStringLiteral("Warning"),
                                  QStringLiteral("No active channels on MUX 0!"));
        } else {
            t.Pausa(50);
            t.Invia_Comando(QStringLiteral("M"), QStringLiteral(","));
            m_total->setText(t.Leggi_Campo());
            m_free->setText(t.Leggi_Campo());
        }
    });
}

void MemoryGroup::Azzera_memoria()
{
    m_ctx.lock.exchange([&] {
        if (confirmDestructive(m_ctx.prompter,
                               QStringLiteral("Are you sure you want to erase memory?\r\nAll "
                                              "acquisitions will be erased."))) {
            m_ctx.transport.Invia_Comando(QStringLiteral("b"), QString());
            m_ctx.transport.Pausa(20);
            Aggiorna_acq();
        }
    });
}

void MemoryGroup::Resetta()
{
    m_ctx.lock.exchange([&] {
        if (confirmDestructive(m_ctx.prompter,
                               QStringLiteral("Are you sure you want to reset datalogger?\r\nBoth "
                                              "data and settings will be erased."))) {
            auto& t = m_ctx.transport;
            t.Invia_Comando(QStringLiteral("z"), QString());
            t.Pausa(20);
            t.Pausa(20);
            Aggiorna_acq();
            for (const auto& read : {m_resetReads.channels, m_resetReads.timer, m_resetReads.name,
                                     m_resetReads.acquisition}) {
                t.Pausa(20);
                if (read)
                    read();
            }
        }
    });
}

} // namespace korvelan

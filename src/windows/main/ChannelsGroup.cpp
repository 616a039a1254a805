#include "windows/main/ChannelsGroup.h"

#include "common/ParameterGuard.h"
#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/WriteRecord.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace korvelan {

ChannelsGroup::ChannelsGroup(GroupContext context, QWidget* channelsPage,
                             std::function<void()> refreshMemory)
    : QObject(channelsPage), m_ctx(context), m_refreshMemory(std::move(refreshMemory))
{
    auto* frame = new QGroupBox(QStringLiteral("Channels"), channelsPage);
    frame->setObjectName(QStringLiteral("FrameChannels"));
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < 4; ++i) {
        auto* field = new FieldEdit(QStringLiteral("MUX%1").arg(i), 0, frame);
        field->setMaximumWidth(60);
        m_mux[size_t(i)] = field;
        auto* label = layouts::caption(QStringLiteral("CH MUX%1").arg(i), field);
        grid->addWidget(label, 0, i);
        grid->addWidget(field, 1, i);
        // Multiplexers 2 and 3 are read but not shown.
        if (i >= 2) {
            label->hide();
            field->hide();
        }
        // Any change, typed or read, marks the field; a count out of range becomes 0 (a read
        // that answered one is garbled all the same).
        connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
            field->markEdited();
            const double v = numbers::leadingNumber(text);
            if (v < 0 || v > kMaxChannels)
                field->reshow(QStringLiteral("0"));
        });
    }
    auto* read =
        layouts::button(QStringLiteral("leggicanali"), QStringLiteral("Read Channels #"), frame);
    auto* write =
        layouts::button(QStringLiteral("Scrivicanali"), QStringLiteral("Write Channels #"), frame);
    grid->addLayout(layouts::row({read, write}), 2, 0, 1, 5);
    grid->setColumnStretch(4, 1);
    layouts::addToPage(channelsPage, frame);
    connect(read, &QPushButton::clicked, this, &ChannelsGroup::leggicanali);
    connect(write, &QPushButton::clicked, this, &ChannelsGroup::Scrivicanali);
}

int ChannelsGroup::activeChannels(int m) const
{
    double count = 0;
    if (!numbers::isNumeric(m_mux[size_t(m)]->text(), &count))
        return 0;
    return static_cast<int>(numbers::roundHalfEven(std::clamp(count, 0.0, double(kMaxChannels))));
}

void ChannelsGroup::leggicanali()
{
    m_ctx.lock.exchange([&] {
        for (int m = 0; m < 4; ++m) {
            m_ctx.transport.Invia_Comando(QStringLiteral("H"),
                                          numbers::leadingBlank(qint64(m)) + QLatin1Char(','));
            const QString field = m_ctx.transport.Leggi_Campo();
            m_mux[size_t(m)]->showReply(field, replies::wholeNumber(field, 0, kMaxChannels));
            m_ctx.transport.Pausa(20);
        }
        m_ctx.transport.Pausa(200);
    });
}

void ChannelsGroup::Scrivicanali()
{
    writeCounts(true);
}

void ChannelsGroup::writeConfirmed()
{
    writeCounts(false);
}

void ChannelsGroup::writeCounts(bool ask)
{
    m_ctx.lock.exchange([&] {
        const auto count = [](const QString& text) {
            return numbers::leadingBlank(numbers::roundHalfEven(numbers::leadingNumber(text)));
        };
        WriteRecord record(m_ctx.prompter,
                           QStringLiteral("read the channels first (\"Read Channels #\")"));
        record.command(QStringLiteral("b")).fixed(QStringLiteral(","));
        for (int m = 0; m < 2; ++m)
            record.command(QStringLiteral("h"))
                .fixed(numbers::plain(qint64(m)) + QLatin1Char(','))
                .field(m_mux[size_t(m)], count);
        const auto commands = record.take();
        if (!commands)
            return;
        // A count is a whole number of channels: anything else would switch that
        // multiplexer's sensors off.
        for (int m = 0; m < 2; ++m) {
            const QString text = m_mux[size_t(m)]->text();
            if (!isWholeNumber(text) || text.trimmed().toInt() > kMaxChannels) {
                m_ctx.prompter.inform(
                    PromptIcon::Warning, QStringLiteral("Warning"),
                    QStringLiteral("CH MUX%1 must be a whole number of channels from 0 to 16; "
                                   "it holds \"%2\". Nothing was sent: read the channels again "
                                   "or correct it.")
                        .arg(m)
                        .arg(text));
                return;
            }
        }
        if (!ask || confirmDestructive(m_ctx.prompter, kEraseWarning)) {
            auto& t = m_ctx.transport;
            send(t, commands->at(0));
            t.Pausa(20);
            for (int m = 0; m < 2; ++m)
                send(t, commands->at(m + 1));
            leggicanali();
            t.Pausa(20);
            if (m_refreshMemory)
                m_refreshMemory();
            t.Pausa(20);
        }
        m_ctx.transport.Pausa(200);
    });
}

} // namespace korvelan

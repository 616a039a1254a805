#include "windows/main/ReadNowGroup.h"

#include "link/NumberForms.h"
#include "link/Transport.h"
#include "measurement/MeasurementText.h"
#include "ui/CommandLock.h"
#include "ui/Layouts.h"
#include "windows/measurement/MisCont.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvelan {

namespace {

const QString kNotRead = QStringLiteral("N.R.");
constexpr int kShownMultiplexers = 2; // buttons for multiplexers 2 and 3 exist but are hidden

void paintLabel(QLabel* label, Qt::GlobalColor colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

ReadNowGroup::ReadNowGroup(GroupContext context, QWidget* readNowPage,
                           std::function<int(int)> channelCount,
                           std::function<QString()> programFolder)
    : QObject(readNowPage), m_ctx(context), m_page(readNowPage),
      m_channelCount(std::move(channelCount)), m_programFolder(std::move(programFolder))
{
    auto* frame = new QGroupBox(QStringLiteral("Read Now"), readNowPage);
    frame->setObjectName(QStringLiteral("FrameReadNow"));
    auto* grid = new QGridLayout(frame);
    // Four rows of four: each value beside its channel.
    constexpr int kPerRow = 4;
    for (int k = 0; k < kBoxes; ++k) {
        auto* box = new QLineEdit(kNotRead, frame);
        box->setObjectName(QStringLiteral("Valore%1").arg(k));
        box->setReadOnly(true);
        layouts::fitWidth(box, QStringLiteral("-00000.000"));
        // The label names the box, for a screen reader too, whichever channel it shows.
        auto* label = layouts::caption(QStringLiteral("CH %1").arg(k), box);
        label->setObjectName(QStringLiteral("lblCanale%1").arg(k));
        grid->addWidget(label, k / kPerRow, 2 * (k % kPerRow));
        grid->addWidget(box, k / kPerRow, 2 * (k % kPerRow) + 1);
        m_labels[size_t(k)] = label;
        m_values[size_t(k)] = box;
    }
    grid->setColumnStretch(2 * kPerRow, 1);
    auto* buttons = new QGridLayout;
    for (int m = 0; m < 4; ++m) {
        auto* read = layouts::button(QStringLiteral("MISCONTINUA%1").arg(m),
                                     QStringLiteral("Read Mux %1").arg(m), frame);
        auto* temp = layouts::button(QStringLiteral("MISCONTINUA_TEMP%1").arg(m),
                                     QStringLiteral("Read Mux %1 Temp").arg(m), frame);
        buttons->addWidget(read, 0, m);
        buttons->addWidget(temp, 1, m);
        read->setVisible(m < kShownMultiplexers);
        temp->setVisible(m < kShownMultiplexers);
        connect(read, &QPushButton::clicked, this, [this, m] { MISCONTINUA(m); });
        connect(temp, &QPushButton::clicked, this, [this, m] { MISCONTINUA_TEMP(m); });
    }
    auto* open = layouts::button(QStringLiteral("cmdApriMisuraContinua"),
                                 QStringLiteral("Read Mux0 + Mux1 and write file"), frame);
    buttons->addWidget(open, 2, 0, 1, kShownMultiplexers);
    buttons->setColumnStretch(4, 1);
    grid->addLayout(buttons, kBoxes / kPerRow, 0, 1, 2 * kPerRow + 1);
    connect(open, &QPushButton::clicked, this, &ReadNowGroup::cmdApriMisuraContinua);
    layouts::addToPage(readNowPage, frame);
}

void ReadNowGroup::MISCONTINUA(int multiplexer)
{
    readChannels(multiplexer, false);
}

void ReadNowGroup::MISCONTINUA_TEMP(int multiplexer)
{
    readChannels(multiplexer, true);
}

void ReadNowGroup::readChannels(int multiplexer, bool temperatures)
{
    m_ctx.lock.exchange([&] {
        auto& t = m_ctx.transport;
        if (!temperatures)
            t.Svuota_Ingresso();
        for (int k = 0; k < kBoxes; ++k) {
            m_labels[size_t(k)]->setText(
                QStringLiteral("CH %1").arg(ReadNowGroup::kBoxes * multiplexer + k));
            m_values[size_t(k)]->setText(kNotRead);
        }
        t.Invia_Comando(temperatures ? QStringLiteral("t") : QStringLiteral("p"),
                        numbers::leadingBlank(qint64(multiplexer)) + QLatin1Char(','));
        const int count = std::clamp(m_channelCount(multiplexer), 0, kBoxes);
        for (int i = 0; i < count; ++i) {
            QLabel* label = m_labels[size_t(i)];
            paintLabel(label, Qt::red);
            const auto box = measurement::boxIndex(t.Leggi_Campo());
            const QString field = t.Leggi_Campo();
            // An index the boxes do not have (a garbled or missing reply) fills none.
            if (box)
                m_values[size_t(*box)]->setText(
                    temperatures
                        ? measurement::temperatureText(field)
                        : measurement::singleValueText(field, m_ctx.session.ModelloLogger));
            paintLabel(label, Qt::black);
        }
    });
}

MisCont* ReadNowGroup::misCont() const
{
    return m_misCont;
}

void ReadNowGroup::cmdApriMisuraContinua()
{
    if (!m_misCont) {
        m_misCont = new MisCont(m_ctx.transport, m_ctx.prompter, m_ctx.session, m_ctx.lock,
                                m_programFolder(), m_page->window());
    }
    m_misCont->setMuxNumber(0);
    m_misCont->show();
    m_misCont->raise();
    m_misCont->activateWindow();
}

} // namespace korvelan

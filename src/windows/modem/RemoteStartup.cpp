#include "windows/modem/RemoteStartup.h"

#include "remote/CountedBlocks.h"

#include "download/ProposedFileName.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/SwitchBox.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/MainWindow.h"
#include "windows/main/MemoryGroup.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/main/StatusGroup.h"

#include <QCheckBox>
#include <QLineEdit>

namespace korvelan {

namespace {

constexpr int kStepPause = 20;
// Retry's pauses, in hundredths.
constexpr int kRetrySettle = 700;
constexpr int kRetryPause = 50;
constexpr int kRetryLastPause = 80;
const QString kRetryStopped = QStringLiteral("No answer from the datalogger: Retry stopped.");

} // namespace

RemoteStartup::RemoteStartup(Transport& transport, MainWindow& main, Show show)
    : m_transport(transport), m_main(main), m_show(std::move(show))
{}

QList<RemoteStartup::Step> RemoteStartup::reads() const
{
    MainWindow& w = m_main;
    return {
        {QStringLiteral("Sensors: OK"), [&w] { w.channels().leggicanali(); }},
        {QStringLiteral("Internal Date/Time: OK"), [&w] { w.nameClock().leggidata(); }, 2},
        {QStringLiteral("Timer: OK"), [&w] { w.schedule().Command2(); }},
        {QStringLiteral("Pre-heating: OK"), [&w] { w.schedule().preacc(); }},
        {QStringLiteral("Internal parameters: OK"), [&w] { w.status().Status(); }},
        {QStringLiteral("Memory: OK"), [&w] { w.memory().Aggiorna_acq(); }},
        {QStringLiteral("GPRS: OK"), [&w] { w.messaging().LeggiGPRS(); }},
        {QStringLiteral("Datalogger ID: OK"), [&w] { w.nameClock().leggi_nome(); }},
    };
}

bool RemoteStartup::step(const QString& message, const std::function<void()>& read)
{
    const int missed = m_transport.missedFields();
    read();
    if (m_transport.cancelled())
        return false;
    if (m_transport.missedFields() == missed)
        m_show(message);
    else
        m_show(message.left(message.lastIndexOf(QLatin1Char(':'))) + QStringLiteral(": no answer"));
    return true;
}

replies::Flag RemoteStartup::readSwitch(const QString& letter)
{
    m_transport.Invia_Comando(letter, QString());
    // 0 or 1; anything else shows as unknown, never as off.
    return replies::flag(m_transport.Leggi_Campo());
}

bool RemoteStartup::readSettings()
{
    for (const Step& s : reads()) {
        if (!step(s.message, s.read))
            return false;
        for (int i = 0; i < s.pauses; ++i)
            m_transport.Pausa(kStepPause);
    }
    const bool read = step(QStringLiteral("Datalogger Model: OK"), [this] {
        m_transport.Invia_Comando(QStringLiteral("D"), QStringLiteral(","));
        m_transport.session().ModelloLogger = numbers::toInt16(m_transport.Leggi_Campo());
    });
    if (!read)
        return false;
    if (m_transport.session().ModelloLogger == 0) {
        m_main.applyModel(0);
        m_main.setWindowTitle(QStringLiteral("KORVELAN - MODEM"));
    }
    if (!step(QStringLiteral("Events counter: OK"),
              [this] { m_main.PLUVIOMETRO()->showReply(readSwitch(QStringLiteral("U"))); }))
        return false;
    m_transport.Pausa(kStepPause);
    if (!step(QStringLiteral("Acquisition enabling: OK"),
              [this] { m_main.data_logging()->showReply(readSwitch(QStringLiteral("O"))); }))
        return false;
    m_transport.Pausa(kStepPause);
    m_transport.Pausa(kStepPause);
    return !m_transport.cancelled();
}

void RemoteStartup::nameDataFile()
{
    QLineEdit* box = m_main.Nome_File_Dati();
    setBackground(box, ConnectionWindow::kProposed);
    box->setText(proposedDataFileName(m_main.Nome_Centralina()->text(), m_today()));
}

bool RemoteStartup::counted(const QString& letter, int count, QString* block)
{
    const auto wanted = static_cast<int16_t>(std::clamp(count, 0, 32767));
    *block = m_transport.Invia_Attendi(letter, wanted);
    if (block->size() >= wanted && !m_transport.timedOut())
        return true;
    if (!m_transport.cancelled())
        m_show(kRetryStopped);
    return false;
}

bool RemoteStartup::Recupera_Dati()
{
    m_transport.Pausa(kRetrySettle);
    m_transport.Svuota_Ingresso();

    // The values are the logger's where the block holds digits in their place; the name is
    // its first five characters only.
    const auto fromBlock = [](FieldEdit* box, const QString& text, const QString& raw) {
        box->ValueEdit::showReply(text, replies::number(raw));
    };
    QString block;
    if (!counted(QStringLiteral("G"), 19, &block))
        return false;
    const auto date = countedblocks::clock(block);
    for (int i = 0; i < 5; ++i)
        fromBlock(m_main.nameClock().data(i), date[size_t(i)], block.mid(4 * i, 3));

    if (!counted(QStringLiteral("C"), 12, &block))
        return false;
    const auto timer = countedblocks::timer(block);
    for (int i = 0; i < 3; ++i)
        fromBlock(m_main.schedule().conversione(i), timer[size_t(i)], block.mid(4 * i, 3));

    if (!counted(QStringLiteral("E"), 5, &block))
        return false;
    const QString preheat = countedblocks::firstFive(block);
    fromBlock(m_main.schedule().preaccensione(), preheat, preheat);

    m_transport.Pausa(kRetryPause);
    if (!counted(QStringLiteral("H"), 3, &block))
        return false;
    const int channels = countedblocks::channels(block);
    m_transport.Pausa(kRetryPause);
    // The list of active channels that follows the count is read and not used.
    if (channels != 0 && !counted(QStringLiteral("H"), 4 * channels + 4, &block))
        return false;

    if (!counted(QStringLiteral("Q"), 5, &block))
        return false;
    m_main.Nome_Centralina()->ValueEdit::showReply(countedblocks::firstFive(block),
                                                   Origin::Partial);

    if (!counted(QStringLiteral("N"), 20, &block))
        return false;
    const auto next = countedblocks::nextAcquisition(block);
    for (int i = 0; i < 5; ++i)
        m_main.schedule().Prox(i)->setText(next[size_t(i)]);
    m_main.schedule().Prox(0)->parentWidget()->show();

    if (channels != 0) {
        m_transport.Pausa(kRetryPause);
        if (!counted(QStringLiteral("M"), 12, &block))
            return false;
        const auto memory = countedblocks::memory(block);
        m_main.memory().acq_disponibili()->setText(memory.free);
        m_main.memory().Acq_possibili()->setText(memory.total);
    }

    m_transport.Pausa(kRetryLastPause);
    // The logger's temperature; read and not used.
    return counted(QStringLiteral("T"), 3, &block);
}

} // namespace korvelan

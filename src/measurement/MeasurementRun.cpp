#include "measurement/MeasurementRun.h"

#include "link/LoggerSession.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "measurement/MeasurementText.h"

namespace korvelan {

using namespace measurement;

namespace {
constexpr int kSecondMuxFirst = 16; // channel number of multiplexer 1's first position
}

MeasurementRun::MeasurementRun(Transport& transport, LoggerSession& session, MeasurementGrid& grid1,
                               MeasurementGrid& grid2)
    : m_transport(transport), m_session(session), m_grid1(grid1), m_grid2(grid2)
{}

void MeasurementRun::reset()
{
    m_count0 = m_count1 = 0;
    m_vw = {};
    m_first = {};
    m_firstCycle = true;
    m_firstTaken = m_timeout = m_loggerRunning = false;
    m_fault.clear();
}

bool MeasurementRun::probe()
{
    const auto count0 = probeCount(0);
    if (count0)
        probeFlags(0, *count0, m_vw[0]);
    const auto count1 = count0 ? probeCount(1) : std::nullopt;
    if (!count0 || !count1)
        return false;
    probeFlags(kSecondMuxFirst, *count1, m_vw[1]);
    m_count0 = *count0;
    m_count1 = *count1;
    m_session.ChartChannelCount = static_cast<int16_t>(m_count0);
    m_session.Mux0ChannelCount = static_cast<int16_t>(m_count0);
    m_session.Mux1ChannelCount = static_cast<int16_t>(m_count1);
    return true;
}

std::optional<int> MeasurementRun::probeCount(int mux)
{
    m_transport.Invia_Comando(QStringLiteral("H"),
                              numbers::leadingBlank(qint64(mux)) + QLatin1Char(','));
    const QString field = m_transport.Leggi_Campo();
    if (field == Transport::kNoAnswer || field.trimmed().isEmpty())
        return std::nullopt;
    // A count no multiplexer can have is a reply not understood.
    const qint64 count = numbers::roundHalfEven(numbers::leadingNumber(field));
    if (count < 0 || count > kMaxPositions)
        return std::nullopt;
    return static_cast<int>(count);
}

void MeasurementRun::probeFlags(int firstChannel, int count, Flags& flags)
{
    for (int i = 1; i <= count; ++i) {
        m_transport.Invia_Comando(QStringLiteral("]"),
                                  numbers::leadingBlank(qint64(firstChannel + i - 1)) +
                                      QLatin1Char(','));
        flags[size_t(i)] = numbers::leadingNumber(m_transport.Leggi_Campo()) != 0;
    }
}

MeasurementRun::Cycle MeasurementRun::readCycle(int row, int16_t mux, const Options& options)
{
    const QString first = numbers::plain(qint64(mux));
    if (m_firstCycle && !m_loggerRunning) {
        if (!send(first + QStringLiteral(",1,")))
            return Cycle::Failed;
        m_loggerRunning = true;
    }
    if (!send(first + QStringLiteral(",0,")) || !readMultiplexer(0, row, options))
        return Cycle::Failed;
    if (m_count1 > 0 && (!send(QStringLiteral("1,0,")) || !readMultiplexer(1, row, options)))
        return Cycle::Failed;
    if (!m_transport.cancelled())
        m_firstTaken = true;
    return m_timeout ? Cycle::TimedOut : Cycle::Read;
}

bool MeasurementRun::send(const QString& parameters)
{
    if (m_transport.Invia_Comando(QStringLiteral("P"), parameters) || m_transport.cancelled())
        return true;
    m_fault = QStringLiteral("The command P%1 could not be sent to the logger on COM %2.")
                  .arg(parameters)
                  .arg(m_session.Porta);
    return false;
}

bool MeasurementRun::readMultiplexer(int mux, int row, const Options& options)
{
    MeasurementGrid& grid = mux == 0 ? m_grid1 : m_grid2;
    const int count = mux == 0 ? m_count0 : m_count1;
    auto& vw = m_vw[size_t(mux)];
    auto& first = m_first[size_t(mux)];
    for (int i = 1; i <= count; ++i) {
        // After a time-out the rest of the cycle is not read: it shows the time-out too.
        QString cell = kTimeout;
        if (!m_timeout) {
            m_transport.Leggi_Campo(); // the channel's index
            const QString field = m_transport.Leggi_Campo();
            double value = 0;
            if (field == Transport::kNoAnswer) {
                m_timeout = true;
            } else if (!numbers::isNumeric(field, &value)) {
                m_fault = QStringLiteral("The logger sent \"%1\" as the reading of %2, which "
                                         "is not a number.")
                              .arg(field.trimmed(), channelCaption(mux, i - 1));
                return false;
            } else {
                if (options.uStrain && vw[size_t(i)])
                    value = microstrain(value, options.gage);
                if (m_firstCycle)
                    first[size_t(i)] = value;
                cell = options.delta && m_firstTaken ? cellText(value - first[size_t(i)])
                                                     : cellText(value);
            }
        }
        grid.setText(row, i, cell);
    }
    return true;
}

QString MeasurementRun::cycleLine(int row) const
{
    QStringList cells{m_grid1.text(row, 0)};
    for (int i = 1; i <= m_count0; ++i)
        cells << m_grid1.text(row, i);
    for (int j = 1; j <= m_count1; ++j)
        cells << m_grid2.text(row, j);
    return cells.join(u',');
}

void MeasurementRun::endLoggerRun()
{
    if (m_loggerRunning)
        m_transport.Invia_Comando(QStringLiteral("P"), QStringLiteral("0,2,"));
    m_loggerRunning = false;
}

} // namespace korvelan

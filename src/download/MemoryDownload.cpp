#include "download/MemoryDownload.h"

#include "download/DataFileName.h"
#include "download/FileUtilities.h"
#include "link/Channel.h"
#include "link/Transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <algorithm>

namespace korvelan {

using namespace std::chrono;

namespace {

// Even while the logger is silent the operator sees the time run on.
constexpr auto kProgressTick = seconds(1);

// Turns the stream into the file's lines, one write per batch. Only a line split across
// batches is gathered apart.
class LineWriter
{
public:
    explicit LineWriter(QFile& file) : m_file(file) {}

    // Returns true when ETX ended the stream; what follows it in the batch is not data.
    bool feed(const QByteArray& batch)
    {
        m_bytes += batch.size();
        m_out.reserve(batch.size() + batch.size() / 8 + 2);
        const char* p = batch.constData();
        const char* const end = p + batch.size();
        const char* lastStart = nullptr;
        qsizetype lastSize = 0;
        while (p < end) {
            const char* stop = std::find_if(p, end, [](char c) {
                return c == '\r' || c == '\n' || c == MemoryDownload::kEndOfText;
            });
            if (stop == end) {
                m_pending.append(p, end - p);
                if (m_pending.size() >= MemoryDownload::kLongestLine) {
                    flushPending();
                    lastStart = nullptr;
                }
                break;
            }
            if (*stop == '\n') {
                if (m_pending.isEmpty()) {
                    writeLine(p, stop - p);
                    lastStart = p;
                    lastSize = stop - p;
                } else {
                    m_pending.append(p, stop - p);
                    writeLine(m_pending.constData(), m_pending.size());
                    m_lastLine = m_pending;
                    lastStart = nullptr;
                    m_pending.clear();
                }
            } else {
                m_pending.append(p, stop - p); // CR is dropped
                if (m_pending.size() >= MemoryDownload::kLongestLine) {
                    flushPending();
                    lastStart = nullptr;
                }
                if (*stop == MemoryDownload::kEndOfText) {
                    keepLast(lastStart, lastSize);
                    writeOut();
                    return true;
                }
            }
            p = stop + 1;
        }
        keepLast(lastStart, lastSize);
        writeOut();
        return false;
    }

    [[nodiscard]] qint64 lines() const { return m_lines; }
    [[nodiscard]] qint64 bytes() const { return m_bytes; }
    [[nodiscard]] const QByteArray& lastLine() const { return m_lastLine; }
    [[nodiscard]] const QByteArray& pending() const { return m_pending; }

private:
    void flushPending()
    {
        writeLine(m_pending.constData(), m_pending.size());
        m_lastLine = m_pending;
        m_pending.clear();
    }
    void writeLine(const char* data, qsizetype size)
    {
        m_out.append(data, size);
        m_out.append("\r\n", 2);
        ++m_lines;
    }
    // One write per batch; a failed write shows again, with the system's reason, when the
    // batch is flushed.
    void writeOut()
    {
        if (!m_out.isEmpty())
            m_file.write(m_out);
        m_out.truncate(0);
    }
    void keepLast(const char* start, qsizetype size)
    {
        if (start)
            m_lastLine = QByteArray(start, size);
    }

    QFile& m_file;
    QByteArray m_pending;
    QByteArray m_out;
    QByteArray m_lastLine;
    qint64 m_lines = 0;
    qint64 m_bytes = 0;
};

QString fileError(const QString& path, const QString& reason)
{
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

} // namespace

bool placeDataFile(const QString& partial, const QString& target, WhenTaken whenTaken,
                   QString* placed, QString* error)
{
    QString why;
    if (whenTaken == WhenTaken::Replace) {
        *placed = target;
        if (moveFile(partial, target, true, &why))
            return true;
    } else {
        const QFileInfo info(target);
        // A name taken between the look and the move is passed over.
        for (int tries = 0; tries < 3; ++tries) {
            *placed = nextFreePath(info.path(), info.fileName());
            if (placed->isEmpty())
                break;
            if (moveFile(partial, *placed, false, &why))
                return true;
        }
    }
    *error = QStringLiteral("The download is complete, but it cannot be saved as %1: %2")
                 .arg(QDir::toNativeSeparators(placed->isEmpty() ? target : *placed), why);
    return false;
}

void MemoryDownload::cancel()
{
    if (m_running)
        m_transport.cancelExchange();
}

DownloadResult MemoryDownload::run(const QString& target, const std::optional<DateRange>& range,
                                   WhenTaken whenTaken)
{
    QScopedValueRollback<bool> running(m_running, true);
    Clock& clock = m_transport.clock();
    Channel& channel = m_transport.channel();

    DownloadResult result;
    result.target = target;
    const QFileInfo targetInfo(target);
    // Another collection may take the same free name between the look and the open (two
    // loggers of one name at once): the next free one is taken then.
    QString partial;
    QFile file;
    for (int tries = 0; tries < 3; ++tries) {
        partial = nextFreePath(targetInfo.path(), partialFileName(targetInfo.fileName()));
        file.setFileName(partial);
        if (!partial.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
    }
    if (!file.isOpen()) {
        result.outcome = DownloadOutcome::FileError;
        result.error = partial.isEmpty()
                           ? fileError(target, QStringLiteral("no free name for a partial file"))
                           : fileError(partial, file.errorString());
        return result;
    }
    result.path = partial;
    const auto start = clock.now();
    LineWriter writer(file);

    auto report = [&] {
        if (m_onProgress)
            m_onProgress({writer.lines(), writer.bytes(), clock.now() - start, writer.lastLine()});
    };
    auto finish = [&](DownloadOutcome outcome) {
        if (outcome == DownloadOutcome::Cancelled)
            m_transport.drainInput(kEndOfText, kDrainQuiet, kDrainLimit);
        m_transport.exchangeBoundary();
        if (!file.flush() && outcome != DownloadOutcome::FileError) {
            outcome = DownloadOutcome::FileError;
            result.error = fileError(partial, file.errorString());
        }
        file.close();
        // Like any unfinished reply, a last line without LF stays in the receive buffer.
        m_transport.session().BufferRicezione = writer.pending();
        if (outcome == DownloadOutcome::TimedOut)
            m_transport.markSilent();
        if (outcome == DownloadOutcome::Completed && whenTaken != WhenTaken::Leave) {
            if (!placeDataFile(partial, target, whenTaken, &result.path, &result.error)) {
                outcome = DownloadOutcome::FileError;
                result.path = partial;
            }
        } else if (file.size() == 0) {
            file.remove(); // nothing came: no partial file to tell of
            result.path.clear();
        }
        result.outcome = outcome;
        result.lines = writer.lines();
        result.bytes = writer.bytes();
        result.elapsed = clock.now() - start;
        return result;
    };
    auto failedLink = [&] {
        return m_transport.cancelled() ? DownloadOutcome::Cancelled : DownloadOutcome::LineLost;
    };

    for (const QString& parameters : downloadParameters(range)) {
        if (!m_transport.Invia_Comando(QStringLiteral("A"), parameters))
            return finish(failedLink());
    }
    report();

    auto lastInput = clock.now();
    auto nextTick = lastInput + kProgressTick;
    Duration limit = kFirstByteLimit;
    for (;;) {
        const QByteArray batch = channel.isOpen() ? channel.readAll() : QByteArray();
        if (!batch.isEmpty()) {
            const bool ended = writer.feed(batch);
            if (!file.flush()) {
                result.error = fileError(partial, file.errorString());
                return finish(DownloadOutcome::FileError);
            }
            report();
            if (ended)
                return finish(DownloadOutcome::Completed);
            lastInput = clock.now();
            limit = kSilenceLimit;
        }
        if (m_transport.cancelled() || !channel.isOpen())
            return finish(failedLink());
        if (!batch.isEmpty())
            continue; // take whatever came meanwhile before waiting
        const auto now = clock.now();
        if (now - lastInput >= limit)
            return finish(DownloadOutcome::TimedOut);
        if (now >= nextTick) {
            report();
            nextTick = now + kProgressTick;
        }
        m_transport.waitForInput(std::min(lastInput + limit, nextTick));
    }
}

} // namespace korvelan

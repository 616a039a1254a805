#pragma once

#include "download/DownloadRange.h"
#include "link/Clock.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace korvelan {

class Transport;

// Where a transfer stands, reported after every batch of input.
struct DownloadProgress
{
    qint64 lines = 0;    // lines written to the file
    qint64 bytes = 0;    // bytes received from the logger
    Duration elapsed{};  // since the file was created
    QByteArray lastLine; // the last line written, as received
};

enum class DownloadOutcome {
    Completed, // the logger ended the stream (ETX)
    Cancelled, // the operator stopped it
    TimedOut,  // the logger fell silent
    LineLost,  // the link went away, or could not be used
    FileError, // the data file could not be created or written
};

// What the end of a transfer does when its data file's name is taken.
enum class WhenTaken {
    KeepBoth, // the data goes to the next free name: name_2.txt, name_3.txt, ...
    Replace,  // the data replaces that file, in one step
    Leave,    // the complete data stays in the partial file, for the caller to place
};

// Gives the complete data at `partial` the name `target` as `whenTaken` says (KeepBoth or
// Replace); *placed gets the name it took. False with *error filled when that fails.
bool placeDataFile(const QString& partial, const QString& target, WhenTaken whenTaken,
                   QString* placed, QString* error);

struct DownloadResult
{
    DownloadOutcome outcome = DownloadOutcome::Completed;
    // The file that holds what arrived: the data file once the stream ended, otherwise the
    // partial file; empty when nothing was kept (no file could be made, or nothing came).
    QString path;
    QString target; // the data file asked for
    qint64 lines = 0;
    qint64 bytes = 0;
    Duration elapsed{};
    QString error; // a file error: the file and the system's reason
};

// Copies the logger's memory into a data file: sends the "A" commands, then writes every
// line of the stream that follows, exactly as received, each ended by CR LF. CR is ignored
// wherever it stands, LF ends a line, ETX ends the transfer; characters after the last LF
// are not written. Every batch of input that is waiting is taken at once.
//
// The lines go into a new file beside the data file, named as partial (name.partial.txt, or
// the next free such name), which takes the data file's name only when the stream ends (ETX).
// So an earlier file is never emptied or replaced by a transfer that did not end: when the
// operator cancels (Transport::cancelExchange, also what "RESTORE " does), when the logger
// stays silent too long, when the link drops, or on a write error, the partial file stays,
// closed and holding every line received (it is removed when nothing came).
class MemoryDownload
{
public:
    static constexpr char kEndOfText = '\x03';
    // The first byte may take as long as any reply (the logger searches its memory for a
    // range); once data flows, a pause this long means the logger has stopped sending.
    static constexpr auto kFirstByteLimit = std::chrono::seconds(120);
    static constexpr auto kSilenceLimit = std::chrono::seconds(20);
    // After a stop the logger may still be sending the rest of its memory: it is read and
    // dropped until ETX or a short silence, so it does not land in the next exchange.
    static constexpr auto kDrainQuiet = std::chrono::milliseconds(300);
    static constexpr auto kDrainLimit = std::chrono::seconds(2);
    // A line this long without LF is written as a line: a stream that never ends a line
    // must not grow the memory without bound.
    static constexpr qsizetype kLongestLine = 64 * 1024;

    explicit MemoryDownload(Transport& transport) : m_transport(transport) {}

    void setProgressHandler(std::function<void(const DownloadProgress&)> handler)
    {
        m_onProgress = std::move(handler);
    }

    // Asks for the whole memory (no range) or the range, receives until the stream ends or
    // the transfer fails, and on success puts the data at `target` as `whenTaken` says.
    DownloadResult run(const QString& target, const std::optional<DateRange>& range,
                       WhenTaken whenTaken = WhenTaken::KeepBoth);

    [[nodiscard]] bool running() const { return m_running; }
    // Stops a running transfer at its next wait.
    void cancel();

private:
    Transport& m_transport;
    std::function<void(const DownloadProgress&)> m_onProgress;
    bool m_running = false;
};

} // namespace korvelan

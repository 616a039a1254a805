#pragma once

#include "link/Clock.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

namespace korvelan {

// Everything that crosses the link, as lines a person can read: the time, the direction
// ("->" to the device, "<-" from it) and the bytes as text, control characters shown as
// <CR>, <LF>, <ETX>, <0x1B>. A command's characters (sent one by one) make one line, the reply
// that follows makes the next, so each command stands with its reply. The transport says where
// one exchange ends and the next begins (flush()), so a command that got no reply (a write)
// does not run on into the next one. A reply that runs long (a memory download) is summed up
// once a second, bytes and lines, not shown byte by byte; its closing line is written as soon
// as ETX arrives.
//
// The last kKeptLines lines are kept; older ones are dropped, so a program that runs for weeks
// holds no more. A file given with writeTo() receives every line as it is made.
class LinkLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int kKeptLines = 20000;
    // A reply longer than this is a stream: from then on it is summed up.
    static constexpr qsizetype kStreamAfter = 512;
    static constexpr auto kSummaryEvery = std::chrono::seconds(1);
    // A line still being gathered is shown once the link has been quiet this long.
    static constexpr auto kQuietEnd = std::chrono::milliseconds(300);

    using WallClock = std::function<QDateTime()>;
    explicit LinkLog(Clock& clock, WallClock wall = {}, QObject* parent = nullptr);

    void sent(const QByteArray& bytes);
    void received(const QByteArray& bytes);
    // Something that happened to the link itself: a port opened, closed, lost.
    void note(const QString& event);
    // Ends the line being gathered (the next bytes start a new one).
    void flush();

    // Writes every line from now on to `path` as well, appended after what earlier runs
    // wrote, beginning with `runStart` (a line saying which run this is). Should the file
    // stop taking lines (disk full, a network share gone), fileFailed() is emitted once and
    // the lines are kept in memory only.
    bool writeTo(const QString& path, const QString& runStart, QString* error);
    [[nodiscard]] const std::deque<QString>& lines() const { return m_lines; }
    // Put before every line's text after the time ("[COM 2]"), for a file several links share.
    void setLabel(const QString& label) { m_label = label; }
    void clear();

    // Bytes as readable text: printable characters as they are, others as <CR>, <LF>, <ETX>,
    // <0x1B>.
    [[nodiscard]] static QString readable(const QByteArray& bytes);

signals:
    void lineAdded(const QString& line);
    void cleared();
    void fileFailed(const QString& path, const QString& reason);

private:
    enum class Gathering { Nothing, Sending, Receiving, Streaming };
    void add(const QString& text, const QDateTime& at);
    void active();
    void quiet();
    void endLine();
    // False when the file is open and did not take the line.
    bool writeToFile(const QString& line);
    void summarise(bool last);
    [[nodiscard]] QString stamp(const QDateTime& at) const;

    Clock& m_clock;
    WallClock m_wall;
    QString m_label;
    std::deque<QString> m_lines;
    QFile m_file;
    QTimer m_quiet;
    TimePoint m_lastActive{};

    Gathering m_gathering = Gathering::Nothing;
    QByteArray m_pending;
    QDateTime m_pendingAt;
    // A stream being summed up: since its start, and since the last summary.
    qint64 m_streamBytes = 0;
    qint64 m_streamLines = 0;
    qint64 m_periodBytes = 0;
    qint64 m_periodLines = 0;
    bool m_streamEnded = false;
    TimePoint m_nextSummary{};
};

} // namespace korvelan

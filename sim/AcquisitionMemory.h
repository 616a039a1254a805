#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace korvelan::sim {

struct Acquisition
{
    QDateTime at; // invalid for a line without a readable time stamp
    QString text;
};

// The logger's store of acquisitions: one text line per acquisition, oldest first, at most
// `capacity` of them. A full memory takes no more lines until it is erased, or, when it
// wraps, makes room by dropping its oldest line.
class AcquisitionMemory
{
public:
    static constexpr int kDefaultCapacity = 8000;
    static constexpr int kMaxCapacity = 1'000'000;
    // Every line starts with its time stamp in this form.
    static inline const QString kStampFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");

    [[nodiscard]] int capacity() const { return m_capacity; }
    // Clamped to 1..kMaxCapacity; lines beyond a smaller capacity are dropped, newest first.
    void setCapacity(int acquisitions);
    [[nodiscard]] int stored() const { return static_cast<int>(m_lines.size()); }
    [[nodiscard]] int free() const { return m_capacity - stored(); }
    [[nodiscard]] bool isFull() const { return stored() >= m_capacity; }
    void setWrapping(bool on) { m_wrapping = on; }
    [[nodiscard]] bool wrapping() const { return m_wrapping; }

    // False when the memory is full and does not wrap.
    bool append(Acquisition acquisition);
    void erase() { m_lines.clear(); }
    [[nodiscard]] const std::vector<Acquisition>& acquisitions() const { return m_lines; }
    [[nodiscard]] QStringList lines() const;
    // Lines as a test or an operator gives them; the time stamp is read from the line start.
    void setLines(const QStringList& lines);
    // Lines whose time stamp lies in [from, to]; lines without one are never in a range.
    [[nodiscard]] QStringList linesBetween(const QDateTime& from, const QDateTime& to) const;

    static QString stamp(const QDateTime& at) { return at.toString(kStampFormat); }
    static QDateTime stampOf(const QString& line);

private:
    std::vector<Acquisition> m_lines;
    int m_capacity = kDefaultCapacity;
    bool m_wrapping = false;
};

} // namespace korvelan::sim

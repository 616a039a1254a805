#pragma once

#include "common/FieldOrigin.h"

#include <QDate>
#include <QList>
#include <QString>
#include <array>
#include <functional>

namespace korvelan {

class MainWindow;
class Transport;

// The values at fixed places of the blocks the logger sends for its letters alone (the remote
// Retry path). Each block is taken as it came; what is missing reads as empty.
namespace countedblocks {
// "G", 19 characters: day, month, year (+ 2000), hours, minutes.
[[nodiscard]] std::array<QString, 5> clock(const QString& block);
// "C", 12 characters: timer hours, minutes, seconds as plain numbers.
[[nodiscard]] std::array<QString, 3> timer(const QString& block);
// "E", 5 characters: the pre-heating time; "Q", 5 characters: the logger name.
[[nodiscard]] QString firstFive(const QString& block);
// "H", 3 characters: the channel count.
[[nodiscard]] int channels(const QString& block);
// "N", 20 characters: the next acquisition's day, month, year (+ 2000), hours, minutes.
[[nodiscard]] std::array<QString, 5> nextAcquisition(const QString& block);
// "M", 12 characters: total and free acquisitions.
struct Memory
{
    QString total;
    QString free;
};
[[nodiscard]] Memory memory(const QString& block);
} // namespace countedblocks

// What follows a modem connection in the main window: the settings read one group after
// another, the model, the two switches and the data file's name; or, on Retry, the compact
// sequence of counted reads. Progress goes to `show` (the modem window's status box).
class RemoteStartup
{
public:
    using Show = std::function<void(const QString&)>;

    struct Step
    {
        QString message;            // shown once the read is done
        std::function<void()> read; // the main window's read action
        int pauses = 1;             // pauses of 20 hundredths after it
    };

    RemoteStartup(Transport& transport, MainWindow& main, Show show);

    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    [[nodiscard]] QDate today() const { return m_today(); }

    // The main window's reads, in their order.
    [[nodiscard]] QList<Step> reads() const;
    // The reads, the model, the events counter and the acquisition switch, each followed by
    // its message ("no answer" in place of "OK" for a step the logger left unanswered).
    // False when the exchange was cancelled.
    bool readSettings();
    // The data file's proposed name, on its yellow background.
    void nameDataFile();
    // Retry's counted reads into the main window. False when one of them got no full answer
    // within the link's time limit: the reason is shown and nothing more is read.
    bool Recupera_Dati();

private:
    bool step(const QString& message, const std::function<void()>& read);
    bool counted(const QString& letter, int count, QString* block);
    [[nodiscard]] replies::Flag readSwitch(const QString& letter);

    Transport& m_transport;
    MainWindow& m_main;
    Show m_show;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
};

} // namespace korvelan

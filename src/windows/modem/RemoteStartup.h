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

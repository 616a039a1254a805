#pragma once

#include "settings/SettingsFile.h"

#include <QStringList>
#include <functional>

namespace korvelan {

class Transport;

namespace settings {

struct ReadResult
{
    SettingsSet set;
    // The fields whose read got no answer or a garbled one: a set with any is no record of
    // the logger's settings.
    QStringList unknown;
    bool cancelled = false;
};

// Reads every setting the program can write, with the same commands and in the same forms
// as the windows' reads, each value as the logger gave it (blanks around it dropped where the
// program's writes drop them). No window: the collector uses it as the program does.
class Reader
{
public:
    // `done` of `total` exchanges so far; `total` is known once the channel counts are read.
    using Progress = std::function<void(int done, int total)>;

    explicit Reader(Transport& transport) : m_transport(transport) {}
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Runs inside the caller's action; a cancelled action ends it between two exchanges.
    [[nodiscard]] ReadResult read();

private:
    QStringList ask(const QString& command, const QString& parameters, int fields);
    void step();

    Transport& m_transport;
    Progress m_progress;
    int m_done = 0;
    int m_total = 0;
};

} // namespace settings
} // namespace korvelan

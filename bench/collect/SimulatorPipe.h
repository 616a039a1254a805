#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvelan::bench {

// Starts korvelan-sim with `arguments`, ended when its standard input closes, and waits until
// it is ready: what it printed (its devices), or less when it did not get that far.
inline QString startSimulator(QProcess& sim, const QStringList& arguments)
{
    sim.setProcessChannelMode(QProcess::SeparateChannels);
    sim.start(QStringLiteral(KORVELAN_SIM_PROGRAM),
              arguments + QStringList{QStringLiteral("--exit-on-stdin-close")});
    QString printed;
    const QDeadlineTimer limit(10000);
    while (!printed.contains(QStringLiteral("ready\n")) && !limit.hasExpired() &&
           sim.waitForReadyRead(int(limit.remainingTime())))
        printed += QString::fromLatin1(sim.readAllStandardOutput());
    return printed;
}

// One control line to korvelan-sim; empty once it answered "done", otherwise what it said.
inline QString control(QProcess& sim, const QString& line)
{
    sim.write(line.toLatin1() + '\n');
    QString answer;
    const QDeadlineTimer limit(5000);
    while (!answer.contains(QStringLiteral("done ") + line) && !limit.hasExpired() &&
           sim.waitForReadyRead(int(limit.remainingTime())))
        answer += QString::fromLatin1(sim.readAllStandardOutput());
    return answer.contains(QStringLiteral("done ") + line)
               ? QString()
               : answer.trimmed() + QStringLiteral(" (no answer)");
}

} // namespace korvelan::bench

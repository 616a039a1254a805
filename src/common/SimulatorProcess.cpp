#include "common/SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace korvelan {

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::findProgram(const QString& programFolder)
{
    const QDir here(programFolder);
    const QStringList candidates = {here.filePath(kProgramName),
                                    here.filePath(QStringLiteral("../sim/") + kProgramName)};
    for (const auto& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return QStandardPaths::findExecutable(kProgramName);
}

std::optional<SimulatorProcess::Devices> SimulatorProcess::parseDevices(const QString& printed)
{
    Devices found;
    for (const QString& line : printed.split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        const auto blank = text.indexOf(QLatin1Char(' '));
        if (blank < 0)
            continue;
        const QString what = text.left(blank);
        const QString device = text.mid(blank + 1).trimmed();
        if (what == QLatin1String("logger"))
            found.logger = device;
        else if (what == QLatin1String("modem"))
            found.modem = device;
        if (what.startsWith(QLatin1String("modem")))
            found.modems << device;
    }
    if (found.logger.isEmpty() || found.modem.isEmpty())
        return std::nullopt;
    return found;
}

bool SimulatorProcess::start(const QString& program, const QStringList& arguments, QString* error,
                             std::chrono::milliseconds limit)
{
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        stop();
        return false;
    };
    // What it says on its error output goes on to ours, and what it reports of the program's
    // commands is kept for whoever checks them.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process, [this] {
        const QByteArray err = m_process.readAllStandardError();
        std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
        m_errorText += QString::fromLocal8Bit(err);
        for (const QString& line : m_errorText.split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1String("protocol error")) && !m_protocolErrors.contains(line))
                m_protocolErrors << line;
        }
        m_errorText = m_errorText.section(QLatin1Char('\n'), -1); // an unfinished line waits
    });
    // It ends when our end of its standard input closes, however we end.
    m_process.start(program, arguments + QStringList{QStringLiteral("--exit-on-stdin-close")});
    if (!m_process.waitForStarted(static_cast<int>(limit.count())))
        return fail(QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString()));

    QString printed;
    const QDeadlineTimer deadline(limit);
    for (;;) {
        printed += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        if (const auto devices = parseDevices(printed)) {
            m_devices = *devices;
            break;
        }
        if (m_process.state() == QProcess::NotRunning)
            return fail(QStringLiteral("%1 ended before naming its devices").arg(program));
        if (deadline.hasExpired())
            return fail(QStringLiteral("%1 did not name its devices within %2 s")
                            .arg(program)
                            .arg(limit.count() / 1000.0));
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    // Whatever it says from now on goes to our own output, so its pipe never fills.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
        const QByteArray out = m_process.readAllStandardOutput();
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
        std::fflush(stdout);
    });
    return true;
}

void SimulatorProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

} // namespace korvelan

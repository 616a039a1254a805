#pragma once

// The connection window and the main window on an in-memory link, on a virtual clock:
// either the logger emulator, or a bare device that answers a few letters as told.
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/EmulatorRig.h"
#include "support/Files.h"
#include "support/ScriptedPeer.h"
#include "support/ScriptedPrompter.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/main/MainWindow.h"

#include <QHash>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>

namespace korvelan::test {

enum class Device { Emulator, Scripted };

struct ConnectionRig
{
    QTemporaryDir dir;
    LoggerSession session;
    VirtualClock clock;
    sim::LoggerEmulator logger{clock.now(), QDateTime(QDate(2026, 12, 6), QTime(10, 30), Qt::UTC)};
    // The bare device answers each command letter it knows, 20 ms after the letter.
    ScriptedPeer device;
    QHash<char, QByteArray> answers{
        {'V', "KLOG\r\n"},    {'G', "06,12,2026,10,30,"}, {'W', "05.10,03.30,12.40,"},
        {'Q', "FAKE1     ,"}, {'D', "00, 2.07,"},         {'U', "0,"},
        {'O', "0,"}};
    MemoryChannel channel;
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [](int port) { return QStringLiteral("COM%1").arg(port); }};
    MainWindow main{transport, prompter, session};
    std::unique_ptr<ConnectionWindow> form;
    int connectedSignals = 0;
    int closedSignals = 0;

    explicit ConnectionRig(Device kind = Device::Emulator)
        : channel(kind == Device::Emulator ? static_cast<LinkPeer&>(logger) : device, clock)
    {
        clock.addSource([this, kind] {
            return kind == Device::Emulator ? logger.nextEvent() : device.nextEvent();
        });
        channel.setExistingPorts({QStringLiteral("COM1"), QStringLiteral("COM2")});
        device.onReceive = [this](const QByteArray& bytes, TimePoint at) {
            if (bytes.size() == 1 && answers.contains(bytes[0]))
                device.say(answers.value(bytes[0]), at + std::chrono::milliseconds(20));
        };
    }
    ~ConnectionRig()
    {
        clock.setOnWaitStep(nullptr);
        failOnProtocolErrors(logger, __FILE__, __LINE__);
    }

    [[nodiscard]] QString iniPath() const { return dir.filePath(QStringLiteral("og399.ini")); }
    void writeIni(const QByteArray& contents) const { writeBytes(iniPath(), contents); }
    [[nodiscard]] QByteArray ini() const { return readBytes(iniPath()); }

    // Loads the connection window, as the program does after the splash.
    ConnectionWindow& open()
    {
        form = std::make_unique<ConnectionWindow>(transport, session, main, iniPath());
        form->setToday([] { return QDate(2026, 12, 6); });
        QObject::connect(form.get(), &ConnectionWindow::connected, [this] { ++connectedSignals; });
        QObject::connect(form.get(), &ConnectionWindow::closed, [this] { ++closedSignals; });
        form->show();
        return *form;
    }

    template <typename T = QWidget> [[nodiscard]] T* find(const QString& name) const
    {
        if (auto* w = form->findChild<T*>(name))
            return w;
        return main.findChild<T*>(name);
    }
    [[nodiscard]] QRadioButton* option(int port) const
    {
        return find<QRadioButton>(QStringLiteral("Option1%1").arg(port - 1));
    }
    void select(int port) const { option(port)->setChecked(true); }
    void clickConnect() const { find<QPushButton>(QStringLiteral("Command1"))->click(); }
    // Selects a port and runs the connection to its end.
    void connectTo(int port) const
    {
        select(port);
        clickConnect();
    }

    [[nodiscard]] QByteArray sentToLogger() const { return logger.trace().toDevice(); }
    [[nodiscard]] QByteArray sentToDevice() const { return device.received(); }
};

// The log once the connection sequence has run with the main window's reads.
// `unanswered` names the steps that got no answer ("Memory", "Datalogger model").
inline QString fullLog(const MainWindow& main, const QStringList& unanswered = {})
{
    QString log = QStringLiteral("Datalogger Found\r\nRetrieving internal parameters");
    QStringList lines;
    for (const auto& read : main.connectionReads())
        lines << read.line;
    lines << QStringLiteral("Datalogger model: OK") << QStringLiteral("Events counter: OK")
          << QStringLiteral("Acquisition: OK");
    for (QString line : lines) {
        const QString step = line.left(line.indexOf(QLatin1Char(':')));
        if (unanswered.contains(step))
            line = step + QStringLiteral(": no answer");
        log += QStringLiteral("\r\n") + line;
    }
    return log;
}

} // namespace korvelan::test

#pragma once

// The modem window and the main window on the emulated modem (COM 2) and its stations, over
// an in-memory port and a virtual clock; or, for the probe, on a device that answers ATI3 as
// told.
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "remote/CarrierWatch.h"
#include "sim/ModemEmulator.h"
#include "support/EmulatorRig.h"
#include "support/Files.h"
#include "support/ScriptedPeer.h"
#include "windows/main/MainWindow.h"
#include "windows/modem/ModemWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace korvelan::test {

struct ModemRig
{
    QTemporaryDir dir;
    LoggerSession session;
    VirtualClock clock;
    sim::ModemEmulator modem{clock.now()};
    sim::LoggerEmulator station1{clock.now(), rigWallClock()};
    sim::LoggerEmulator silent{clock.now(), rigWallClock()};
    ScriptedPeer device;
    MemoryChannel port;
    CarrierWatch channel{port, clock};
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [](int p) { return QStringLiteral("COM%1").arg(p); }};
    MainWindow main{transport, prompter, session};
    QWidget connection; // stands for the connection window beneath
    ModemWindow window{transport, prompter, main, dir.path(), &connection};
    StationFiles files{dir.path()};
    QStringList shown;

    // With `identification`, COM 2 is a bare device that answers ATI3 with it.
    explicit ModemRig(std::optional<QByteArray> identification = std::nullopt)
        : port(identification ? static_cast<LinkPeer&>(device) : modem, clock)
    {
        clock.addSource([this, bare = identification.has_value()] {
            return bare ? device.nextEvent() : modem.nextEvent();
        });
        device.onReceive = [this, identification](const QByteArray& bytes, TimePoint at) {
            if (bytes == "ATI3\r")
                device.say(identification.value_or(""), at + std::chrono::milliseconds(20));
        };
        station1.setName(QStringLiteral("STATION1"));
        silent.setSilentFrom(1);
        modem.addStation(QStringLiteral("0212345"), &station1);
        modem.addStation(QStringLiteral("5556666"), &silent);
        modem.addStation(QStringLiteral("5550000"), nullptr, sim::ModemEmulator::Answer::Busy);
        port.setExistingPorts({QStringLiteral("COM2")});
        session.PortaSempreAperta = true;
        window.startup().setToday([] { return QDate(2026, 12, 5); });
        QObject::connect(&window, &ModemWindow::shown, [this](const QString& t) { shown << t; });
        connection.show();
    }
    ~ModemRig() { failOnProtocolErrors(station1, __FILE__, __LINE__); }

    // STATION1 in row 3, the silent station in row 4, the busy number in row 5; the modem
    // remembered on `modemPort`.
    void writeStations(int16_t modemPort = 2)
    {
        StationTable table;
        table[3] = {QStringLiteral("STATION1"), QStringLiteral("0212345"), {}, {}};
        table[4] = {QStringLiteral("SILENT"), QStringLiteral("5556666"), {}, {}};
        table[5] = {QStringLiteral("BUSY"), QStringLiteral("5550000"), {}, {}};
        files.save(table, nullptr);
        files.savePort(modemPort, nullptr);
    }
    // Opens the window; its poll is then driven by the test (poll()), not by real time.
    void open(bool withStations = true)
    {
        if (withStations)
            writeStations();
        window.open();
        timer()->setInterval(24 * 3600 * 1000);
        shown.clear();
    }

    template <typename T = QPushButton> [[nodiscard]] T* find(const QString& name) const
    {
        if (auto* w = window.findChild<T*>(name))
            return w;
        return main.findChild<T*>(name);
    }
    [[nodiscard]] QTimer* timer() const { return find<QTimer>(QStringLiteral("Timer1")); }
    [[nodiscard]] QLineEdit* box(const QString& name) const { return find<QLineEdit>(name); }
    // Lets time pass on the line.
    void pass(Duration d)
    {
        clock.waitBlocking(clock.now() + d);
        (void)channel.bytesWaiting(); // the modem moves on as it is read
    }
    // One tick of Timer1, 2 s after the last.
    void poll()
    {
        pass(std::chrono::seconds(2));
        window.Timer1_Timer();
    }
    void pollUntilDone()
    {
        for (int i = 0; i < 30 && timer()->isActive() && window.isVisible(); ++i)
            poll();
    }
    // Dials row `row` and lets the call come up, without polling.
    void dialAndWaitForTheCall(int row)
    {
        window.Sel(row);
        window.Connetti();
        pass(std::chrono::seconds(4));
        window.dialogue().Scarica();
    }
};

} // namespace korvelan::test

#pragma once

// The modem window and the main window on the emulated modem (COM 2) and its stations, over
// an in-memory port and a virtual clock; or, for the probe, on a bare device that answers as
// told.
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "remote/CarrierWatch.h"
#include "remote/ModemWindow.h"
#include "remote/StationFiles.h"
#include "sim/LoggerEmulator.h"
#include "sim/ModemEmulator.h"
#include "support/EmulatorRig.h"
#include "support/ScriptedPeer.h"
#include "support/ScriptedPrompter.h"
#include "windows/main/MainWindow.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace korvelan::test {

struct ModemRig
{
    static inline const QString kStation1 = QStringLiteral("0212345");
    static inline const QString kSilent = QStringLiteral("5556666");
    static inline const QString kBusy = QStringLiteral("5550000");

    QTemporaryDir dir;
    LoggerSession session;
    VirtualClock clock;
    sim::ModemEmulator modem{clock.now()};
    sim::LoggerEmulator station1{clock.now(), rigWallClock()};
    sim::LoggerEmulator silent{clock.now(), rigWallClock()};
    ScriptedPeer device;
    MemoryChannel port;
    CarrierWatch channel{port};
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [](int p) { return QStringLiteral("COM%1").arg(p); }};
    MainWindow main{transport, prompter, session};
    QWidget connection; // stands for the connection window beneath
    ModemWindow window{transport, main, dir.path(), &connection};
    StationFiles files{dir.path()};
    QStringList shown;

    // With `bare`, COM 2 is a device that answers ATI3 with `identification`.
    explicit ModemRig(bool bare = false, QByteArray identification = {})
        : port(bare ? static_cast<LinkPeer&>(device) : modem, clock)
    {
        clock.addSource([this, bare] { return bare ? device.nextEvent() : modem.nextEvent(); });
        device.onReceive = [this, identification](const QByteArray& bytes, TimePoint at) {
            if (bytes == "ATI3\r")
                device.say(identification, at + std::chrono::milliseconds(20));
        };
        station1.setName(QStringLiteral("STATION1"));
        silent.setSilentFrom(1);
        modem.addStation(kStation1, &station1);
        modem.addStation(kSilent, &silent);
        modem.addStation(kBusy, nullptr, sim::ModemEmulator::Answer::Busy);
        port.setExistingPorts({QStringLiteral("COM2")});
        session.PortaSempreAperta = true;
        window.startup().setToday([] { return QDate(2026, 12, 5); });
        QObject::connect(&window, &ModemWindow::shown, [this](const QString& t) { shown << t; });
        connection.show();
    }
    ~ModemRig()
    {
        clock.setOnWaitStep(nullptr);
        failOnProtocolErrors(station1, __FILE__, __LINE__);
    }

    // A station list with STATION1 in row 3 and the silent and busy ones after it, and the
    // modem remembered on `port`.
    void writeStations(int modemPort = 2)
    {
        StationTable table;
        table[3] = {QStringLiteral("STATION1"), kStation1, QStringLiteral("31/12/2027"), {}};
        table[4] = {QStringLiteral("SILENT"), kSilent, {}, {}};
        table[5] = {QStringLiteral("BUSY"), kBusy, {}, {}};
        QVERIFY(files.save(table, nullptr));
        QVERIFY(files.savePort(int16_t(modemPort), nullptr));
    }
    // Opens the window; its poll is then driven by the test (poll()), not by real time.
    void open()
    {
        window.open();
        timer()->setInterval(24 * 3600 * 1000);
    }
    void openWithStations()
    {
        writeStations();
        open();
        shown.clear();
    }

    template <typename T = QWidget> [[nodiscard]] T* find(const QString& name) const
    {
        if (auto* w = window.findChild<T*>(name))
            return w;
        return main.findChild<T*>(name);
    }
    [[nodiscard]] QTimer* timer() const { return find<QTimer>(QStringLiteral("Timer1")); }
    [[nodiscard]] QLineEdit* field(const QString& column, int row) const
    {
        return find<QLineEdit>(column + QString::number(row));
    }
    void pass(Duration d) { clock.waitBlocking(clock.now() + d); }
    // One tick of Timer1 after its 2 s.
    void poll()
    {
        pass(std::chrono::seconds(2));
        window.Timer1_Timer();
    }
    // Polls until the window hands over to the main window or stops polling.
    void pollUntilDone(int ticks = 30)
    {
        for (int i = 0; i < ticks && timer()->isActive() && window.isVisible(); ++i)
            poll();
    }
    // Dials row `row` and lets the call come up, without polling.
    void dialAndWaitForTheCall(int row)
    {
        window.Sel(row);
        window.Connetti();
        for (int i = 0; i < 100 && modem.mode() != sim::ModemEmulator::Mode::Data; ++i) {
            pass(std::chrono::milliseconds(100));
            (void)channel.bytesWaiting(); // the modem moves on as it is read
        }
        window.dialogue().Scarica();
    }
    // Every command the station's logger took, as on the wire: "G,", "Q".
    [[nodiscard]] QStringList sentTo(const sim::LoggerEmulator& logger) const
    {
        QStringList out;
        for (const auto& c : logger.commands()) {
            QString text(QLatin1Char(c.letter));
            for (const auto& f : c.fields)
                text += QString::fromLatin1(f) + QLatin1Char(',');
            out << text;
        }
        return out;
    }
    [[nodiscard]] static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
};

} // namespace korvelan::test

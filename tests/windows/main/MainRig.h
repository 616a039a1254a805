#pragma once

#include "link/NumberForms.h"
#include "support/EmulatorRig.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/MainWindow.h"
#include "windows/main/MemoryGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/main/StatusGroup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

namespace korvelan::test {

// The main window on an emulated logger that answers as soon as it is asked.
struct MainRig : SimRig
{
    MainWindow window{transport, prompter, session};

    explicit MainRig(sim::LoggerSettings settings = sim::LoggerSettings::demo())
        : SimRig(std::move(settings))
    {
        channel.setExistingPorts({QStringLiteral("COM1"), QStringLiteral("COM2")});
    }

    // Every command the logger took, as it came on the wire: "g7,3, 125,14,05,", "Q".
    [[nodiscard]] QStringList sent() const { return commandsSent(logger); }
    template <typename T = QWidget> [[nodiscard]] T* find(const QString& name) const
    {
        return window.findChild<T*>(name);
    }
    void click(const QString& name) const { find<QPushButton>(name)->click(); }
    // The number a field shows, as the program reads it.
    [[nodiscard]] static int numberOf(const QLineEdit* field)
    {
        return static_cast<int>(numbers::roundHalfEven(numbers::leadingNumber(field->text())));
    }
};

} // namespace korvelan::test

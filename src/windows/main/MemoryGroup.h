#pragma once

#include "ui/GroupContext.h"

#include <QObject>
#include <functional>

class QLineEdit;
class QWidget;

namespace korvelan {

// The logger's memory as a whole: its state, erasing it, and resetting the logger.
class MemoryGroup : public QObject
{
    Q_OBJECT
public:
    // What a reset reads back after the memory state, in its order: channel counts, timer,
    // logger name, acquisition switch.
    struct ResetReads
    {
        std::function<void()> channels;
        std::function<void()> timer;
        std::function<void()> name;
        std::function<void()> acquisition;
    };

    MemoryGroup(GroupContext context, QWidget* generalPage, QWidget* channelsPage,
                ResetReads resetReads);

    void Aggiorna_acq();
    void Azzera_memoria();
    void Resetta();

    [[nodiscard]] QLineEdit* Acq_possibili() const { return m_total; }
    [[nodiscard]] QLineEdit* acq_disponibili() const { return m_free; }

private:
    GroupContext m_ctx;
    ResetReads m_resetReads;
    QLineEdit* m_total = nullptr;
    QLineEdit* m_free = nullptr;
};

} // namespace korvelan

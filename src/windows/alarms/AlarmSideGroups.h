#pragma once

#include "ui/ExchangeWindow.h"

#include <QColor>
#include <QObject>
#include <array>
#include <functional>

class QPushButton;

namespace korvelan {

class FlagBox;
class ValueEdit;

// The alert and warning window's settings that are not per channel, each a frame with its
// read and write: the SMS texts the logger sends, the spike filter, and how many sensors must
// be out of their band together before an alert or a warning is raised.
class AlarmSideGroups : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSmsLines = 5;
    static constexpr int kSmsLineLength = 25;
    static constexpr int kLongestOutput = 28800; // seconds
    static inline const QColor kPlain{255, 255, 255};

    // `forgetRealRows`: called after the SMS and rule reads, which the window's rows of a real
    // multiplexer may not be written after.
    AlarmSideGroups(ExchangeWindow& window, Transport& transport, Prompter& prompter,
                    std::function<void()> forgetRealRows);

    QWidget* buildSms(QWidget* parent);
    QWidget* buildFilter(QWidget* parent);
    QWidget* buildRule(QWidget* parent);

    void MESSAGGIO_PERSONALE_LEGGI();
    void MESSAGGIO_PERSONALE_SCRIVI();
    void cmdLeggiFiltro();
    void cmdScriviFiltro();
    void cmdContempLeggi();
    void cmdContempScrivi();

    // Warning lines 0..4, then alert lines 0..4.
    [[nodiscard]] ValueEdit* smsLine(int i) const { return m_sms.at(size_t(i)); }
    [[nodiscard]] ValueEdit* repetitions() const { return m_repetitions; }
    [[nodiscard]] ValueEdit* threshold() const { return m_threshold; }
    [[nodiscard]] ValueEdit* warningCount() const { return m_warningCount; }
    [[nodiscard]] ValueEdit* alertCount() const { return m_alertCount; }
    [[nodiscard]] FlagBox* lowAlertWarns() const { return m_lowAlertWarns; }
    [[nodiscard]] ValueEdit* outputSeconds() const { return m_outputSeconds; }

private:
    QPushButton* addButton(const QString& name, const QString& caption, QWidget* parent);
    void refuse(const QString& title, const QString& text);

    ExchangeWindow& m_window;
    Transport& m_transport;
    Prompter& m_prompter;
    std::function<void()> m_forgetRealRows;
    std::array<ValueEdit*, 2 * kSmsLines> m_sms{};
    ValueEdit* m_repetitions = nullptr;
    ValueEdit* m_threshold = nullptr;
    ValueEdit* m_warningCount = nullptr;
    ValueEdit* m_alertCount = nullptr;
    FlagBox* m_lowAlertWarns = nullptr;
    ValueEdit* m_outputSeconds = nullptr;
};

} // namespace korvelan

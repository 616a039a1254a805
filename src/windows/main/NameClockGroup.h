#pragma once

#include "ui/GroupContext.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

namespace korvelan {

class FieldEdit;
class Prompter;
class WriteRecord;

// The logger's identification text and its real-time clock.
class NameClockGroup : public QObject
{
    Q_OBJECT
public:
    // The clock frame goes on `calendarPage`, the ID frame on `generalPage`.
    NameClockGroup(GroupContext context, QWidget* calendarPage, QWidget* generalPage);

    void leggi_nome();
    void imposta_nome();
    void leggidata();
    void impostadata();
    // "Set to PC time": this computer's time into the clock fields, written as "Write Clock"
    // writes them, then read back.
    void setPcTime();

    // This computer's time of day (tests give their own).
    void setWallClock(std::function<QDateTime()> now) { m_wallClock = std::move(now); }
    [[nodiscard]] QLabel* driftLabel() const { return m_drift; }

    [[nodiscard]] FieldEdit* Nome_Centralina() const { return m_name; }
    [[nodiscard]] FieldEdit* data(int i) const { return m_data.at(static_cast<size_t>(i)); }
    [[nodiscard]] QList<QPushButton*> buttons() const;
    [[nodiscard]] QWidget* dateFrame() const { return m_dateFrame; }

private:
    void showDrift(const QStringList& reply);

    GroupContext m_ctx;
    std::function<QDateTime()> m_wallClock = [] { return QDateTime::currentDateTime(); };
    QLabel* m_drift = nullptr;
    FieldEdit* m_name = nullptr;
    std::array<FieldEdit*, 5> m_data{};
    QWidget* m_dateFrame = nullptr;
    QPushButton* m_leggiNome = nullptr;
    QPushButton* m_impostaNome = nullptr;
    QPushButton* m_leggiData = nullptr;
    QPushButton* m_impostaData = nullptr;
};

// Shared by the clock and the acquisition start date: the way a date read is shown and the
// way a typed date is checked and sent.
namespace datefields {
// Day, month and year as plain numbers ("05" -> "5"), hours and minutes with two digits.
QString shownDatePart(const QString& field);
QString shownTimePart(const QString& field);
// The five reply fields into the boxes, each with what its reply was.
void show(const std::array<FieldEdit*, 5>& fields, const QStringList& reply);
// Hours 0..23 and minutes 0..59 on the numeric value (empty or text counts as 0).
bool timeIsValid(const QString& hours, const QString& minutes);
// Each field a whole number and the date one that exists, with a four-digit year; otherwise
// the operator is told which field is wrong and the result is true (nothing may be sent).
bool refuseBadDate(Prompter& prompter, const std::array<FieldEdit*, 5>& fields);
// day,month, year-1900 (leading blank),hours,minutes, as typed, into a write's record.
void addTo(WriteRecord& record, const std::array<FieldEdit*, 5>& fields);
} // namespace datefields

} // namespace korvelan

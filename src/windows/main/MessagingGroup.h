#pragma once

#include "ui/GroupContext.h"
#include "ui/WriteRecord.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace korvelan {

class FieldEdit;
class FlagBox;
class SwitchBox;

// What a logger with a GSM/GPRS modem sends and where: the SMS recipients with the alert and
// warning switches, the telephone alarm (read and written back as it is), and the GPRS and
// FTP settings for sending its data. The alerts page also opens the alarm window.
class MessagingGroup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRecipients = 10;
    static constexpr int kGprsFields = 10;
    static constexpr int kNumberLength = 14;

    // `openAlarms` opens the alert and warning window in the main window's place.
    MessagingGroup(GroupContext context, QWidget* gprsPage, QWidget* alertsPage,
                   std::function<void()> openAlarms);

    void LEGGI_GSM();
    void SCRIVI_GSM();
    void LeggiGPRS();
    void ScriviGPRS();
    void Leggi_Allarmi();
    // A press on "Enable SMS Alert" (alert true) or "Enable SMS Warning", asking for `on`.
    void switchSms(bool alert, bool on);

    [[nodiscard]] FieldEdit* NUMERO_ALLARME_SMS(int i) const { return m_numbers.at(size_t(i)); }
    [[nodiscard]] FieldEdit* NUMERO_ALLARMI_SMS() const { return m_count; }
    [[nodiscard]] SwitchBox* Abilita_SMS() const { return m_alerts; }
    [[nodiscard]] SwitchBox* PREABILITA_SMS() const { return m_warnings; }
    [[nodiscard]] FieldEdit* NUMERO_ALLARME_TELEFONO() const { return m_phone; }
    [[nodiscard]] FlagBox* Abilita_Telefono() const { return m_phoneOn; }
    [[nodiscard]] FieldEdit* GPRS(int i) const { return m_gprs.at(size_t(i)); }

private:
    void buildSms(QWidget* page);
    void buildGprs(QWidget* page);
    // Sends the SMS record with its flags in `form` (a switch's press: the state it asks for
    // in place of its box's), then the telephone alarm; false when the write was refused.
    bool sendRecords(FlagForm form, std::optional<bool> alert, std::optional<bool> warning);

    GroupContext m_ctx;
    std::function<void()> m_openAlarms;
    std::array<FieldEdit*, kRecipients> m_numbers{};
    FieldEdit* m_count = nullptr;
    SwitchBox* m_alerts = nullptr;
    SwitchBox* m_warnings = nullptr;
    FieldEdit* m_phone = nullptr;
    FlagBox* m_phoneOn = nullptr;
    std::array<FieldEdit*, kGprsFields> m_gprs{};
};

} // namespace korvelan

#include "windows/settings/SettingsActions.h"

#include "common/FieldOrigin.h"
#include "common/Prompter.h"
#include "download/DataFileName.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/SwitchBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/MainWindow.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/sensors/SensorWindow.h"
#include "windows/settings/SettingsDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <algorithm>

namespace korvelan {

using settings::Group;
using settings::SettingsSet;

namespace {

const QString kTitle = QStringLiteral("Settings file");

bool isPerChannel(Group g)
{
    return g >= Group::Sensors0 && g <= Group::VirtualAlerts1;
}

QString groupList(const QList<Group>& groups)
{
    QStringList names;
    for (Group g : groups)
        names << settings::groupName(g);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

QString heading(const SettingsSet& logger, const SettingsSet& file, const QString& path,
                qsizetype differences)
{
    return QStringLiteral("%1 differs in %2 fields from %3, saved from %4 on %5.")
        .arg(logger.logger)
        .arg(differences)
        .arg(QDir::toNativeSeparators(path), file.logger,
             file.saved.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
}

} // namespace

SettingsActions::SettingsActions(MainWindow& window, GroupContext context)
    : QObject(&window), m_window(window), m_ctx(context)
{
    m_choose = [this](bool saving, const QString& proposed) {
        const QString filter = QStringLiteral("Settings files (*.txt)");
        return saving ? QFileDialog::getSaveFileName(&m_window, QStringLiteral("Save settings"),
                                                     proposed, filter)
                      : QFileDialog::getOpenFileName(&m_window, QStringLiteral("Settings file"),
                                                     QString(), filter);
    };
    m_runDialog = [](SettingsDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

void SettingsActions::inform(const QString& text)
{
    m_ctx.prompter.inform(PromptIcon::Information, kTitle, text);
}

std::unique_ptr<QProgressDialog> SettingsActions::progressBox(const QString& text)
{
    // Not modal: RESTORE stays within reach, and the box's Cancel does the same.
    auto box = std::make_unique<QProgressDialog>(text, QStringLiteral("Cancel"), 0, 1, &m_window);
    box->setObjectName(QStringLiteral("prgSettings"));
    box->setMinimumDuration(0);
    box->setAutoClose(false);
    box->setAutoReset(false);
    connect(box.get(), &QProgressDialog::canceled, this,
            [this] { m_ctx.transport.cancelExchange(); });
    return box;
}

std::optional<SettingsSet> SettingsActions::readLogger(const QString& nothingWhat)
{
    auto box = progressBox(QStringLiteral("Reading the logger's settings…"));
    std::optional<settings::ReadResult> result;
    m_ctx.lock.exchange([&] {
        settings::Reader reader(m_ctx.transport);
        reader.setProgress([&box](int done, int total) {
            box->setMaximum(total);
            box->setValue(done);
        });
        result = reader.read();
    });
    if (!result)
        return std::nullopt;
    if (result->cancelled) {
        inform(QStringLiteral("The read was cancelled: %1.").arg(nothingWhat));
        return std::nullopt;
    }
    if (!result->unknown.isEmpty()) {
        inform(QStringLiteral("%1: no answer from the logger, or a garbled one. %2; try again "
                              "once the logger answers.")
                   .arg(fieldList(result->unknown),
                        nothingWhat.front().toUpper() + nothingWhat.mid(1)));
        return std::nullopt;
    }
    return std::move(result->set);
}

std::optional<SettingsSet> SettingsActions::openFile(QString* path)
{
    *path = m_choose(false, QString());
    if (path->isEmpty())
        return std::nullopt;
    const settings::Parsed parsed = settings::load(*path);
    if (!parsed.set) {
        m_ctx.prompter.inform(PromptIcon::Warning, kTitle,
                              QStringLiteral("%1 cannot be used: %2\r\nNothing was sent to the "
                                             "logger.")
                                  .arg(QDir::toNativeSeparators(*path), parsed.problem));
        return std::nullopt;
    }
    return parsed.set;
}

bool SettingsActions::sameModel(const SettingsSet& logger, const SettingsSet& file)
{
    if (logger.model == file.model)
        return true;
    m_ctx.prompter.inform(PromptIcon::Warning, kTitle,
                          QStringLiteral("The file holds the settings of a logger of model %1; "
                                         "this logger is of model %2. Nothing was sent.")
                              .arg(file.model)
                              .arg(logger.model));
    return false;
}

void SettingsActions::saveSettings()
{
    if (!m_ctx.lock.mayStart())
        return;
    const QString proposed = safeFileNamePart(m_window.Nome_Centralina()->text().trimmed()) +
                             QStringLiteral("_SETTINGS.txt");
    const QString path = m_choose(true, proposed);
    if (path.isEmpty())
        return;
    const auto set = readLogger(QStringLiteral("nothing was saved"));
    if (!set)
        return;
    QString error;
    if (!settings::save(path, *set, &error)) {
        m_ctx.prompter.inform(PromptIcon::Warning, kTitle,
                              QStringLiteral("The settings could not be saved to %1: %2")
                                  .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    inform(QStringLiteral("The settings of %1 were saved to %2 (%3 values).")
               .arg(set->logger, QDir::toNativeSeparators(path))
               .arg(set->values.size()));
}

std::optional<SettingsActions::Comparison>
SettingsActions::showDifferences(SettingsDialog::Mode mode)
{
    if (!m_ctx.lock.mayStart())
        return std::nullopt;
    const bool apply = mode == SettingsDialog::Mode::Apply;
    QString path;
    auto file = openFile(&path);
    if (!file)
        return std::nullopt;
    auto logger = readLogger(apply ? QStringLiteral("nothing was sent")
                                   : QStringLiteral("nothing was compared"));
    if (!logger || !sameModel(*logger, *file))
        return std::nullopt;
    auto differences = settings::compare(*logger, *file);
    if (differences.isEmpty()) {
        inform(QStringLiteral("The logger's settings are those of the file: no field differs.") +
               (apply ? QStringLiteral(" Nothing was sent.") : QString()));
        return std::nullopt;
    }
    SettingsDialog dialog(mode, heading(*logger, *file, path, differences.size()), differences,
                          m_ctx.prompter, &m_window);
    if (!m_runDialog(dialog))
        return std::nullopt;
    return Comparison{std::move(*file), std::move(*logger), std::move(differences),
                      dialog.ticked()};
}

void SettingsActions::compareSettings()
{
    (void)showDifferences(SettingsDialog::Mode::Compare);
}

void SettingsActions::applySettings()
{
    const auto shown = showDifferences(SettingsDialog::Mode::Apply);
    if (!shown)
        return;
    // Named, not bound: a lambda below takes them.
    const SettingsSet& file = shown->file;
    const SettingsSet& before = shown->logger;
    const QList<settings::Difference>& differences = shown->differences;
    QList<Group> ticked = shown->ticked;
    if (ticked.isEmpty()) {
        inform(QStringLiteral("No group was ticked: nothing was sent."));
        return;
    }
    std::sort(ticked.begin(), ticked.end());

    QList<Group> written;
    QList<Group> left;
    std::optional<Group> interrupted;
    auto& t = m_ctx.transport;
    auto box = progressBox(QStringLiteral("Writing the settings…"));
    box->setMaximum(int(ticked.size()));
    m_ctx.lock.exchange([&] {
        // The windows' rows follow the main window's channel counts: the logger's own.
        if (!ticked.contains(Group::ChannelCounts) &&
            std::any_of(ticked.cbegin(), ticked.cend(), isPerChannel))
            m_window.channels().leggicanali();
        for (Group g : ticked) {
            box->setLabelText(QStringLiteral("Writing %1…").arg(settings::groupName(g)));
            box->setValue(int(written.size() + left.size()));
            if (!t.cancelled() && m_beforeGroup)
                m_beforeGroup(g);
            if (t.cancelled()) {
                left << g;
                continue;
            }
            const bool wrote = writeGroup(g, before, file);
            if (t.cancelled())
                interrupted = g;
            else if (wrote)
                written << g;
        }
    });
    if (interrupted || !left.isEmpty()) {
        inform(QStringLiteral("Stopped. Written: %1.%2 Not written: %3.")
                   .arg(groupList(written),
                        interrupted ? QStringLiteral(" Stopped while writing: %1.")
                                          .arg(settings::groupName(*interrupted))
                                    : QString(),
                        groupList(left)));
        return;
    }
    const auto after = readLogger(QStringLiteral("the logger was not compared again"));
    if (!after)
        return;
    const auto still = settings::compare(*after, file);
    QSet<QString> stillKeys;
    QStringList stillNames;
    for (const auto& d : still) {
        stillKeys.insert(d.spec.key);
        stillNames << d.spec.label;
    }
    const auto fixed = std::count_if(differences.cbegin(), differences.cend(), [&](const auto& d) {
        return written.contains(d.spec.group) && !stillKeys.contains(d.spec.key);
    });
    inform(still.isEmpty()
               ? QStringLiteral("%1 fields written; the logger now matches the file.").arg(fixed)
               : QStringLiteral("%1 fields written. These still differ from the file: %2.")
                     .arg(fixed)
                     .arg(fieldList(stillNames)));
}

bool SettingsActions::writeGroup(Group group, const SettingsSet& logger, const SettingsSet& file)
{
    const auto value = [&file](const QString& key) { return file.values.value(key); };
    const auto on = [&value](const QString& key) { return value(key).trimmed() == u'1'; };
    // A switch is written by asking for the file's state; its box shows the logger's state as
    // just read, which is what the press takes it from.
    const auto toggle = [&](SwitchBox* box, const QString& key) {
        box->showReply(replies::flag(logger.values.value(key)));
        return on(key);
    };
    auto& w = m_window;
    switch (group) {
    case Group::ChannelCounts:
        for (int m = 0; m < 2; ++m)
            w.channels().MUX(m)->setChosen(value(QStringLiteral("channels.mux%1").arg(m)));
        // The operator was asked when ticking them.
        w.channels().writeConfirmed();
        return true;
    case Group::Timer:
        for (int i = 0; i < 3; ++i)
            w.schedule().conversione(i)->setChosen(value(settings::keys::timer(i)));
        w.schedule().Command1();
        return true;
    case Group::Preheating:
        w.schedule().preaccensione()->setChosen(value(QStringLiteral("preheating.ms")));
        w.schedule().impostapreacc();
        return true;
    case Group::Start:
        for (int i = 0; i < 5; ++i)
            w.schedule().data_allarme(i)->setChosen(value(settings::keys::start(i)));
        w.schedule().ScriviDataAllarme();
        return true;
    case Group::Acquisitions:
        w.schedule().switchAcquisitions(
            toggle(w.data_logging(), QStringLiteral("acquisitions.on")));
        return true;
    case Group::EventsCounter:
        w.eventsCounter().switchCounter(toggle(w.PLUVIOMETRO(), QStringLiteral("events.on")));
        return true;
    case Group::Sensors0:
    case Group::Sensors1: {
        const int m = group == Group::Sensors0 ? 0 : 1;
        auto& s = w.sensors();
        s.Leggi_prop(m);
        QList<bool> flags;
        for (int i = 0; i < w.channels().activeChannels(m); ++i) {
            const int c = SensorWindow::kRows * m + i;
            flags << s.chkSghembo(i)->value().value_or(false);
            if (!file.values.contains(settings::keys::sensor(c, 0)))
                continue; // not in the file: written back as the logger gave it
            s.NomeCanali(i)->setChosen(value(settings::keys::sensor(c, 0)));
            for (int v = 0; v < 4; ++v)
                s.value(i, v)->setChosen(value(settings::keys::sensor(c, v + 1)));
            flags.last() = on(settings::keys::sensor(c, 5));
        }
        // The operator may decline the jumper question: then nothing of the group is sent.
        if (!s.takeVibratingWire(flags))
            return false;
        s.ScriviProp(m);
        return true;
    }
    case Group::Alerts0:
    case Group::Alerts1:
    case Group::VirtualAlerts0:
    case Group::VirtualAlerts1: {
        const int m = int(group) - int(Group::Alerts0);
        auto& a = w.alarms();
        a.Leggi_all(m);
        for (int i = 0; i < w.channels().activeChannels(m); ++i) {
            const int channel = AlarmWindow::kRows * m + i;
            if (!file.values.contains(settings::keys::alert(channel, 0)))
                continue;
            for (int c = 0; c < 5; ++c)
                a.box(i, c)->setChosen(value(settings::keys::alert(channel, c)));
        }
        a.ScriviAll(m);
        return true;
    }
    case Group::SmsRecipients: {
        auto& g = w.messaging();
        for (int i = 0; i < MessagingGroup::kRecipients; ++i)
            g.NUMERO_ALLARME_SMS(i)->setChosen(value(QStringLiteral("sms.number%1").arg(i + 1)));
        g.NUMERO_ALLARMI_SMS()->setChosen(value(QStringLiteral("sms.recipients")));
        g.Abilita_SMS()->showFlag(on(QStringLiteral("sms.alerts")), Origin::Operator);
        g.PREABILITA_SMS()->showFlag(on(QStringLiteral("sms.warnings")), Origin::Operator);
        g.NUMERO_ALLARME_TELEFONO()->setChosen(value(QStringLiteral("sms.phone")));
        g.Abilita_Telefono()->showFlag(on(QStringLiteral("sms.phone-on")), Origin::Operator);
        g.SCRIVI_GSM();
        return true;
    }
    case Group::SmsTexts:
        for (int i = 0; i < 2 * AlarmSideGroups::kSmsLines; ++i)
            w.alarms().smsLine(i)->setChosen(value(settings::keys::smsText(i)));
        w.alarms().side().MESSAGGIO_PERSONALE_SCRIVI();
        return true;
    case Group::Gprs:
        for (int i = 0; i < MessagingGroup::kGprsFields; ++i)
            w.messaging().GPRS(i)->setChosen(value(settings::keys::gprs(i)));
        w.messaging().ScriviGPRS();
        return true;
    case Group::Filter: {
        auto& side = w.alarms().side();
        side.repetitions()->setChosen(value(QStringLiteral("filter.repetitions")));
        side.threshold()->setChosen(value(QStringLiteral("filter.threshold")));
        side.cmdScriviFiltro();
        return true;
    }
    case Group::Rule: {
        auto& side = w.alarms().side();
        side.warningCount()->setChosen(value(QStringLiteral("rule.warnings")));
        side.alertCount()->setChosen(value(QStringLiteral("rule.alerts")));
        side.lowAlertWarns()->showFlag(on(QStringLiteral("rule.low-alert-warns")),
                                       Origin::Operator);
        side.outputSeconds()->setChosen(value(QStringLiteral("rule.output-seconds")));
        side.cmdContempScrivi();
        return true;
    }
    case Group::Name:
        w.Nome_Centralina()->setChosen(value(QStringLiteral("name")));
        w.nameClock().imposta_nome();
        return true;
    }
    return false;
}

} // namespace korvelan

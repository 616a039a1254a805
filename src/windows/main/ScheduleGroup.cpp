#include "windows/main/ScheduleGroup.h"

#include "common/ParameterGuard.h"
#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/SwitchBox.h"
#include "ui/WriteRecord.h"
#include "windows/main/NameClockGroup.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvelan {

namespace {

const QString kTimerMessage = QStringLiteral(
    "Please check timer ( hours<=23, minutes and seconds <=59 and timer value > 1 min (NO "
    "GSM/GPRS). Timer value > 10 minutes (GSM/GPRS)! ");
const QString kCheckValues = QStringLiteral("Please check inserted values! ");
constexpr int kShortestInterval = 60;     // seconds
constexpr double kLongestPreheat = 30000; // ms

void trimOnChange(FieldEdit* field)
{
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
        const QString trimmed = text.trimmed();
        if (trimmed != text)
            field->reshow(trimmed);
    });
}

} // namespace

ScheduleGroup::ScheduleGroup(GroupContext context, QWidget* calendarPage, QWidget* timersPage)
    : QObject(calendarPage), m_ctx(context)
{
    // Acquisition start date, on the calendar page below the clock.
    auto* start = new QGroupBox(QStringLiteral("Acquisition start"), calendarPage);
    start->setObjectName(QStringLiteral("FrameStart"));
    auto* startGrid = new QGridLayout(start);
    m_start = layouts::dateFields(QStringLiteral("data_allarme"),
                                  QStringLiteral("Acquisition start"), startGrid, 0, start);
    auto* readStart =
        layouts::button(QStringLiteral("LeggiDataAllarme"), QStringLiteral("Read Start"), start);
    auto* writeStart =
        layouts::button(QStringLiteral("ScriviDataAllarme"), QStringLiteral("Write Start"), start);
    auto* now = layouts::button(QStringLiteral("Subito"), QStringLiteral("Acquire Now"), start);
    startGrid->addLayout(layouts::row({readStart, writeStart, now}), 2, 0, 1, 6);
    startGrid->setColumnStretch(5, 1);
    layouts::addToPage(calendarPage, start);

    // The next acquisition as a remote logger counts it; only the modem's Retry fills it.
    auto* next = new QGroupBox(QStringLiteral("Next acquisition"), calendarPage);
    next->setObjectName(QStringLiteral("FrameProx"));
    auto* nextGrid = new QGridLayout(next);
    m_prox = layouts::dateFields(QStringLiteral("Prox"), QStringLiteral("Next acquisition"),
                                 nextGrid, 0, next);
    for (auto* f : m_prox)
        f->setReadOnly(true);
    nextGrid->setColumnStretch(5, 1);
    layouts::addToPage(calendarPage, next);
    next->hide();

    auto* acquisition = new QGroupBox(QStringLiteral("Acquisition"), calendarPage);
    acquisition->setObjectName(QStringLiteral("FrameAcquisition"));
    m_dataLogging = new SwitchBox(QStringLiteral("data_logging"),
                                  QStringLiteral("Enable Acquisitions"), acquisition);
    auto* readSt =
        layouts::button(QStringLiteral("ReadSt"), QStringLiteral("Read parameter"), acquisition);
    auto* acqLayout = layouts::row({m_dataLogging, readSt});
    acquisition->setLayout(acqLayout);
    layouts::addToPage(calendarPage, acquisition);

    // Timer and pre-heating on the timers page; pre-heating only for the model that has it.
    auto* timer = new QGroupBox(QStringLiteral("Acquisition Timer"), timersPage);
    timer->setObjectName(QStringLiteral("FrameTimer"));
    auto* timerGrid = new QGridLayout(timer);
    static const char* timerCaptions[] = {"Hh", "Mm", "Ss"};
    static const char* timerNames[] = {"Timer hours", "Timer minutes", "Timer seconds"};
    for (int i = 0; i < 3; ++i) {
        auto* field = new FieldEdit(QStringLiteral("conversione%1").arg(i), 3, timer);
        field->setAccessibleName(QString::fromLatin1(timerNames[i]));
        m_timer[size_t(i)] = field;
        timerGrid->addWidget(layouts::caption(QString::fromLatin1(timerCaptions[i]), field), 0, i);
        timerGrid->addWidget(field, 1, i);
        trimOnChange(field);
    }
    auto* readTimer =
        layouts::button(QStringLiteral("Command2"), QStringLiteral("Read Timer"), timer);
    auto* writeTimer =
        layouts::button(QStringLiteral("Command1"), QStringLiteral("Write Timer"), timer);
    timerGrid->addLayout(layouts::row({readTimer, writeTimer}), 2, 0, 1, 4);
    timerGrid->setColumnStretch(3, 1);
    layouts::addToPage(timersPage, timer);

    auto* preheat = new QGroupBox(QStringLiteral("Pre-heating Time"), timersPage);
    preheat->setObjectName(QStringLiteral("Frame2"));
    m_frame2 = preheat;
    auto* preGrid = new QGridLayout(preheat);
    m_preheat = new FieldEdit(QStringLiteral("preaccensione"), 5, preheat);
    m_preheat->setAccessibleName(QStringLiteral("Pre-heating time"));
    trimOnChange(m_preheat);
    preGrid->addWidget(m_preheat, 0, 0);
    preGrid->addWidget(layouts::caption(QStringLiteral("x 10^-3 Sec"), m_preheat), 0, 1);
    auto* readPre =
        layouts::button(QStringLiteral("preacc"), QStringLiteral("Read Pre-heating"), preheat);
    auto* writePre = layouts::button(QStringLiteral("impostapreacc"),
                                     QStringLiteral("Write Pre-heating"), preheat);
    preGrid->addLayout(layouts::row({readPre, writePre}), 1, 0, 1, 3);
    preGrid->setColumnStretch(2, 1);
    layouts::addToPage(timersPage, preheat);
    preheat->hide();

    connect(readStart, &QPushButton::clicked, this, &ScheduleGroup::LeggiDataAllarme);
    connect(writeStart, &QPushButton::clicked, this, &ScheduleGroup::ScriviDataAllarme);
    connect(now, &QPushButton::clicked, this, &ScheduleGroup::Subito);
    connect(readSt, &QPushButton::clicked, this, &ScheduleGroup::ReadSt);
    connect(m_dataLogging, &SwitchBox::switchRequested, this, &ScheduleGroup::switchAcquisitions);
    connect(readTimer, &QPushButton::clicked, this, &ScheduleGroup::Command2);
    connect(writeTimer, &QPushButton::clicked, this, &ScheduleGroup::Command1);
    connect(readPre, &QPushButton::clicked, this, &ScheduleGroup::preacc);
    connect(writePre, &QPushButton::clicked, this, &ScheduleGroup::impostapreacc);
}

void ScheduleGroup::Command2()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Invia_Comando(QStringLiteral("C"), QStringLiteral(","));
        for (auto* f : m_timer) {
            const QString field = m_ctx.transport.Leggi_Campo();
            f->showReply(field, replies::number(field));
        }
    });
}

void ScheduleGroup::showTimerMessage()
{
    m_ctx.prompter.inform(PromptIcon::Information, QStringLiteral("Warning!!"), kTimerMessage);
    m_ctx.prompter.beep();
}

void ScheduleGroup::showDateMessage()
{
    m_ctx.prompter.inform(PromptIcon::Information, QStringLiteral("Warning!!"), kCheckValues);
    m_ctx.prompter.beep();
}

void ScheduleGroup::Command1()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter, QStringLiteral("read the timer first (\"Read Timer\")"));
        record.command(QStringLiteral("c"));
        for (auto* f : m_timer)
            record.field(f, [](const QString& text) {
                return numbers::format(text, QStringLiteral("000"));
            });
        const auto commands = record.take();
        if (!commands)
            return;
        const auto value = [this](int i) {
            return numbers::leadingNumber(m_timer[size_t(i)]->text());
        };
        const double h = value(0);
        const double m = value(1);
        const double s = value(2);
        if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) {
            showTimerMessage();
            return;
        }
        if (refuseNonNumbers(m_ctx.prompter,
                             {{QStringLiteral("Timer hours (Hh)"), m_timer[0]->text()},
                              {QStringLiteral("Timer minutes (Mm)"), m_timer[1]->text()},
                              {QStringLiteral("Timer seconds (Ss)"), m_timer[2]->text()}}))
            return;
        for (auto* f : m_timer)
            f->reshow(numbers::format(f->text(), QStringLiteral("000")));
        const double interval = value(0) * 3600 + value(1) * 60 + value(2);
        if (interval < kShortestInterval) {
            showTimerMessage();
            return;
        }
        for (auto* f : m_timer)
            f->markInStep();
        send(m_ctx.transport, commands->first());
    });
}

void ScheduleGroup::preacc()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Invia_Comando(QStringLiteral("E"), QStringLiteral(","));
        const QString field = m_ctx.transport.Leggi_Campo();
        m_preheat->showReply(field, replies::number(field));
    });
}

void ScheduleGroup::impostapreacc()
{
    m_ctx.lock.exchange([&] {
        const auto fiveDigits = [](const QString& text) {
            return numbers::format(text, QStringLiteral("00000"));
        };
        WriteRecord record(
            m_ctx.prompter,
            QStringLiteral("read the pre-heating time first (\"Read Pre-heating\")"));
        const auto commands =
            record.command(QStringLiteral("e")).field(m_preheat, fiveDigits).take();
        if (!commands)
            return;
        if (numbers::leadingNumber(m_preheat->text()) <= kLongestPreheat) {
            if (refuseNonNumbers(m_ctx.prompter,
                                 {{QStringLiteral("Pre-heating time"), m_preheat->text()}}))
                return;
            m_preheat->reshow(fiveDigits(m_preheat->text()));
            m_preheat->markInStep();
            send(m_ctx.transport, commands->first());
        } else {
            m_ctx.prompter.inform(PromptIcon::Information, QStringLiteral("Warning"),
                                  QStringLiteral("Pre-heating time too long "));
            // A suggestion, not a value of anyone's: it is written once the operator types it.
            m_preheat->setText(QStringLiteral("0"));
        }
    });
}

void ScheduleGroup::LeggiDataAllarme()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Svuota_Ingresso();
        m_ctx.transport.Invia_Comando(QStringLiteral("Y"), QStringLiteral(","));
        QStringList reply;
        for (int i = 0; i < 5; ++i)
            reply << m_ctx.transport.Leggi_Campo();
        datefields::show(m_start, reply);
        (void)m_ctx.transport.Leggi_Campo(); // the sixth field is not used
    });
}

void ScheduleGroup::ScriviDataAllarme()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter,
                           QStringLiteral("read the start date first (\"Read Start\")"));
        datefields::addTo(record.command(QStringLiteral("y")), m_start);
        const auto commands = record.take();
        if (!commands)
            return;
        if (!datefields::timeIsValid(m_start[3]->text(), m_start[4]->text())) {
            showDateMessage();
            return;
        }
        if (datefields::refuseBadDate(m_ctx.prompter, m_start))
            return;
        for (auto* f : m_start)
            f->markInStep();
        send(m_ctx.transport, commands->first());
        LeggiDataAllarme();
    });
}

void ScheduleGroup::Subito()
{
    m_ctx.lock.exchange([&] {
        if (!datefields::timeIsValid(m_start[3]->text(), m_start[4]->text())) {
            showDateMessage();
            return;
        }
        // A start date in the past: the logger starts acquiring at once. No field of the
        // window goes out.
        const auto commands = WriteRecord(m_ctx.prompter, QString())
                                  .command(QStringLiteral("y"))
                                  .fixed(QStringLiteral("1,1,100,00,00,"))
                                  .take();
        send(m_ctx.transport, commands->first());
        LeggiDataAllarme();
    });
}

void ScheduleGroup::ReadSt()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Svuota_Ingresso();
        m_ctx.transport.Invia_Comando(QStringLiteral("O"), QString());
        m_dataLogging->showReply(replies::flag(m_ctx.transport.Leggi_Campo()));
    });
}

void ScheduleGroup::switchAcquisitions(bool on)
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter, SwitchBox::kReadInstead);
        const auto commands =
            record.command(QStringLiteral("o")).flag(m_dataLogging, FlagForm::Plain, on).take();
        if (commands) {
            send(m_ctx.transport, commands->first());
            m_ctx.transport.Pausa(50);
        }
        ReadSt();
    });
}

} // namespace korvelan

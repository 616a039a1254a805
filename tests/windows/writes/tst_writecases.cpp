// Writes that once sent what the logger never gave, where more than one window takes part:
// the SMS switches after a modem connection, a vibrating-wire flag and its bank, the events
// counter's switch read at connection. Each sends nothing, says why, and writes once the
// logger has answered or the operator has chosen.
#include "WriteRig.h"
#include "windows/connection/ConnectionRig.h"
#include "windows/modem/ModemRig.h"

#include <QTest>

using namespace korvelan;
using namespace korvelan::test;
using Fault = sim::LoggerEmulator::ReplyFault;

namespace {

bool sentAny(const sim::LoggerEmulator& logger, char letter)
{
    for (const auto& c : logger.commands()) {
        if (c.letter == letter)
            return true;
    }
    return false;
}

} // namespace

class WriteCasesTest : public QObject
{
    Q_OBJECT
private slots:
    void smsSwitchAfterAModemConnection();
    void vibratingWireFlagThatGotNoAnswer_data();
    void vibratingWireFlagThatGotNoAnswer();
    void eventsCounterGarbledAtConnection();
};

void WriteCasesTest::smsSwitchAfterAModemConnection()
{
    // The remote start-up reads no SMS settings: a press on either switch sends nothing.
    ModemRig rig;
    rig.open();
    rig.window.Sel(3);
    rig.window.Connetti();
    rig.pollUntilDone();
    QVERIFY(rig.main.isVisible());
    auto& sms = rig.main.messaging();
    const QString unread =
        "SMS numbers 1\u201310, # Recipients, Enable SMS Alert, Enable SMS Warning, Telephone "
        "alarm "
        "number and Telephone alarm were never read from the logger. Nothing was sent: read the "
        "SMS settings first (\"Read\").";
    for (SwitchBox* box : {sms.Abilita_SMS(), sms.PREABILITA_SMS()}) {
        test::pressBox(box);
        QCOMPARE(rig.prompter.texts().last(), unread);
        QVERIFY(!rig.main.lock().locked() && box->isEnabled());
    }
    QVERIFY(!sentAny(rig.station1, 'i') && !sentAny(rig.station1, 'f'));
    QCOMPARE(rig.station1.settings().sms.numbers[0], QStringLiteral("+393331234567"));

    // Read, the switch writes the station's own record with the flag asked for.
    rig.main.findChild<QPushButton*>("LEGGI_GSM")->click();
    const auto before = rig.station1.commands().size();
    test::pressBox(sms.Abilita_SMS());
    QCOMPARE(commandsSent(rig.station1).mid(before),
             (QStringList{"i+393331234567,,,,,,,,,,1,0,0,", "f+393331234567, 0,", "I", "F"}));
    QCOMPARE(sms.Abilita_SMS()->checkState(), Qt::Unchecked);
    QCOMPARE(rig.station1.settings().sms.count, QStringLiteral("1"));
}

void WriteCasesTest::vibratingWireFlagThatGotNoAnswer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("channel"); // the first of a bank
    QTest::newRow("channel 0 garbled") << int(Fault::Kind::Garbled) << 0;
    QTest::newRow("channel 8 unanswered") << int(Fault::Kind::Silent) << 8;
}

void WriteCasesTest::vibratingWireFlagThatGotNoAnswer()
{
    QFETCH(int, kind);
    QFETCH(int, channel);
    // Twelve vibrating-wire gauges on multiplexer 0, over both banks.
    WriteRig rig(Under::Sensors);
    rig.logger.setChannelCount(0, 12);
    for (int c = 0; c < 12; ++c)
        rig.logger.settings().vibratingWire[size_t(c)] = true;
    auto& w = rig.window.sensors();
    rig.readAll(0, [&] { rig.logger.setReplyFault({Fault::Kind(kind), ']', channel + 1, 0}); });
    // The flag shows unknown, and so does its bank; the rows the logger answered stay ticked.
    const int bank = channel / SensorWindow::kBankRows;
    QCOMPARE(w.chkSghembo(channel)->checkState(), Qt::PartiallyChecked);
    QVERIFY(w.chkSghembo(channel)->toolTip().contains(QLatin1String("unknown")));
    QCOMPARE(w.chkBanco(bank)->checkState(), Qt::PartiallyChecked);
    for (int i = bank * 8 + 1; i < 12 && i < bank * 8 + 8; ++i)
        QCOMPARE(w.chkSghembo(i)->checkState(), Qt::Checked);

    const auto before = rig.logger.commands().size();
    w.writeButton(0)->click();
    QCOMPARE(writesFrom(rig.logger, before), QStringList());
    QCOMPARE(rig.prompter.texts().last(),
             QStringLiteral("Channel %1 vibrating wire %2 from the logger. Nothing was sent: read "
                            "MUX0 again first (\"Read MUX0\").")
                 .arg(channel)
                 .arg(kind == int(Fault::Kind::Garbled) ? "came garbled" : "got no answer"));
    QVERIFY(!rig.locked() && w.writeButton(0)->isEnabled());

    // The operator may set the bank as its jumper is: the flags are then the operator's.
    rig.prompter.answerNext(PromptAnswer::Yes);
    w.chkBanco(bank)->click();
    QCOMPARE(w.chkBanco(bank)->checkState(), Qt::Checked);
    w.writeButton(0)->click();
    const QStringList written = writesFrom(rig.logger, before);
    QCOMPARE(written.size(), 24);
    for (int c = 0; c < 12; ++c)
        QCOMPARE(written[2 * c + 1], QStringLiteral("[ %1,1,").arg(c));
}

void WriteCasesTest::eventsCounterGarbledAtConnection()
{
    ConnectionRig rig;
    rig.logger.settings().eventsCounter = true;
    rig.logger.setReplyFault({Fault::Kind::Garbled, 'U', 1, 0});
    rig.open();
    rig.connectTo(1);
    SwitchBox* box = rig.main.PLUVIOMETRO();
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    // The press cannot say which way it goes: it reads the switch instead.
    const auto before = rig.logger.commands().size();
    test::pressBox(box);
    QCOMPARE(commandsSent(rig.logger).mid(before), QStringList{"U,"});
    QCOMPARE(rig.prompter.texts().last(),
             QStringLiteral("Enable events counter (Rain gauge) came garbled from the logger. "
                            "Nothing was sent: the switch is read from the logger now; press it "
                            "again once it shows the logger's state."));
    QCOMPARE(box->checkState(), Qt::Checked);
    QVERIFY(rig.logger.settings().eventsCounter);
    test::pressBox(box);
    QCOMPARE(commandsSent(rig.logger).mid(before + 1), (QStringList{"u0,", "U,"}));
    QVERIFY(!rig.logger.settings().eventsCounter && !rig.main.lock().locked());
}

QTEST_MAIN(WriteCasesTest)
#include "tst_writecases.moc"

// The messaging settings and the events counter against the emulated logger: what goes on
// the wire, what the fields and switches show afterwards, and what is refused before sending.
#include "MainRig.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/FieldEdit.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/SwitchBox.h"

#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

// A press on a switch box, or a click on a button.
void press(MainRig& rig, const QString& name)
{
    if (auto* box = rig.find<SwitchBox>(name))
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    else
        rig.click(name);
}

// The switches wait half a second before reading back.
bool pausedBefore(const MainRig& rig, char letter)
{
    const auto& c = rig.logger.commands();
    for (auto i = c.size() - 1; i > 0; --i) {
        if (c[i].letter == letter)
            return c[i].started - c[i - 1].completed >= milliseconds(500);
    }
    return false;
}

} // namespace

class MessagingTest : public QObject
{
    Q_OBJECT
private slots:
    void smsWriteReadsBack();
    void smsSwitches();
    void gprs();
    void eventsCounter();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
};

void MessagingTest::smsWriteReadsBack()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    g.NUMERO_ALLARME_SMS(0)->setText(QStringLiteral(" A "));
    g.NUMERO_ALLARME_SMS(1)->setText(QStringLiteral("B"));
    g.NUMERO_ALLARMI_SMS()->setText(QStringLiteral("2"));
    g.Abilita_SMS()->setChecked(true);
    // The telephone alarm was never read: it is left as the logger has it.
    rig.click("SCRIVI_GSM");
    QCOMPARE(rig.sent(), (QStringList{"iA,B,,,,,,,,,2, 1, 0,", "I", "F"}));
    QCOMPARE(g.NUMERO_ALLARME_SMS(0)->text(), QStringLiteral("A"));
    QCOMPARE(g.NUMERO_ALLARME_TELEFONO()->text(), QStringLiteral("+393331234567"));
    for (auto* f : {g.NUMERO_ALLARME_SMS(0), g.NUMERO_ALLARME_SMS(9), g.NUMERO_ALLARMI_SMS()})
        QCOMPARE(background(f), kDesign);

    // Once read, it is written back unchanged with every write.
    rig.logger.settings().phoneAlarm.enable = 1;
    rig.click("LEGGI_GSM");
    rig.click("SCRIVI_GSM");
    QCOMPARE(rig.sent().mid(5),
             (QStringList{"iA,B,,,,,,,,,2, 1, 0,", "f+393331234567, 1,", "I", "F"}));
}

void MessagingTest::smsSwitches()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.logger.settings().sms = {{"+393331234567"}, "1", 0, 1};
    rig.click("LEGGI_GSM");
    // A press on the clear alert box writes both flags plain, the other one as shown.
    press(rig, "Abilita_SMS");
    const QString numbers = "i+393331234567,,,,,,,,,,1,";
    QCOMPARE(rig.sent().mid(2), (QStringList{numbers + "1,1,", "f+393331234567, 0,", "I", "F"}));
    QVERIFY(pausedBefore(rig, 'I'));
    QVERIFY(g.Abilita_SMS()->isChecked());

    // The space bar asks as well; a read-back that gets no answer shows the switch off.
    rig.logger.setSilentFrom(int(rig.logger.commands().size()) + 3);
    QTest::keyClick(g.PREABILITA_SMS(), Qt::Key_Space);
    QCOMPARE(rig.sent().mid(6).first(), numbers + "1,0,");
    QVERIFY(!g.PREABILITA_SMS()->isChecked() && !g.Abilita_SMS()->isChecked());
    QVERIFY(!rig.window.lock().locked());
}

void MessagingTest::gprs()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.click("LeggiGPRS");
    QCOMPARE(g.GPRS(2)->text(), QStringLiteral("internet.apn"));
    QCOMPARE(background(g.GPRS(9)), kInStep);
    g.GPRS(0)->setText(QStringLiteral(" newuser "));
    rig.click("ScriviGPRS");
    QCOMPARE(rig.sent(), (QStringList{"K", "knewuser,pass,internet.apn,ftp.example.org,site1,"
                                           "secret,/upload,21,10,0,"}));
    QCOMPARE(g.GPRS(0)->text(), QStringLiteral("newuser"));
    QCOMPARE(rig.logger.settings().gprs[0], QStringLiteral("newuser"));
}

void MessagingTest::eventsCounter()
{
    MainRig rig;
    auto& e = rig.window.eventsCounter();
    press(rig, "PLUVIOMETRO");
    QCOMPARE(rig.sent(), (QStringList{"u1,", "U,"}));
    QVERIFY(pausedBefore(rig, 'U'));
    QVERIFY(e.PLUVIOMETRO()->isChecked() && rig.logger.settings().eventsCounter);
    // No answer to the read-back: the box shows off.
    rig.logger.setSilentFrom(int(rig.logger.commands().size()) + 2);
    press(rig, "PLUVIOMETRO");
    QCOMPARE(rig.sent().mid(2), (QStringList{"u0,", "U,"}));
    QVERIFY(!e.PLUVIOMETRO()->isChecked());

    rig.logger.setSilentFrom(1000);
    e.mmpioggia()->setText(QStringLiteral(" 0.25 "));
    rig.click("mmpioggiatastoscrivi");
    QCOMPARE(rig.sent().mid(4), (QStringList{">0.25,", "<"}));
    QCOMPARE(e.mmpioggia()->text(), QStringLiteral("0.25"));
    QCOMPARE(background(e.mmpioggia()), kDesign);
}

void MessagingTest::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::addColumn<int>("longest");
    QTest::newRow("recipient") << "NUMERO_ALLARME_SMS3"
                               << "12,3"
                               << "SCRIVI_GSM"
                               << "comma" << 14;
    QTest::newRow("by the switch") << "NUMERO_ALLARME_SMS0"
                                   << "1,2"
                                   << "Abilita_SMS"
                                   << "comma" << 14;
    QTest::newRow("GPRS value") << "GPRS6"
                                << "/a,b"
                                << "ScriviGPRS"
                                << "comma" << 29;
    QTest::newRow("pulse value") << "mmpioggia"
                                 << "0,2"
                                 << "mmpioggiatastoscrivi"
                                 << "comma" << 14;
    QTest::newRow("no answer") << "GPRS7"
                               << "%%"
                               << "ScriviGPRS"
                               << "did not answer" << 8;
}

void MessagingTest::refusedBeforeSending()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, control);
    QFETCH(QString, message);
    QFETCH(int, longest);
    MainRig rig;
    auto* box = rig.find<QLineEdit>(field);
    // Typing stops at the field's longest input; what the program puts there is kept whole.
    QTest::keyClicks(box, QString(40, u'7'));
    QCOMPARE(box->text().size(), longest);
    box->setText(value);
    press(rig, control);
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.contains(message));
    QVERIFY(!rig.window.lock().locked());
}

QTEST_MAIN(MessagingTest)
#include "tst_messaging.moc"

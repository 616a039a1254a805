// Every button and switch of every window that talks to the logger, found by walking the
// windows, against the one rule for writes: a write sends only what the logger gave or the
// operator typed. With its group never read, read from a silent logger, or read with one
// field garbled or unanswered, a press sends nothing of the write, says which fields and
// what to do, and leaves nothing locked; a write that carries no field (a fixed command)
// sends the same whatever the fields hold.
#include "WriteRig.h"

#include <QHash>
#include <QTest>

using namespace korvelan;
using namespace korvelan::test;
using Fault = sim::LoggerEmulator::ReplyFault;

namespace {

// Where the window's reads put their fields: for each value control, the reply and field
// (counted from the window's own reads) that fill it. Found by garbling each field in turn.
using FaultMap = QHash<QString, std::pair<int, int>>;

FaultMap faultMap(Under under, int selection)
{
    static QHash<QString, FaultMap> cache;
    const QString key = QStringLiteral("%1/%2").arg(int(under)).arg(selection);
    if (cache.contains(key))
        return cache.value(key);
    FaultMap map;
    WriteRig rig(under);
    qsizetype first = 0;
    rig.readAll(selection, [&] { first = rig.logger.commands().size(); });
    const auto replies = rig.logger.commands().size() - first;
    for (int reply = 1; reply <= replies; ++reply) {
        for (int field = 0;; ++field) {
            rig.readAll(selection, [&] {
                rig.logger.setReplyFault({Fault::Kind::Garbled, 0, reply, field});
            });
            if (!rig.logger.replyFaultDone())
                break;
            for (QWidget* c : rig.valueControls()) {
                if (WriteRig::originOf(c) == Origin::Garbled && !map.contains(c->objectName()))
                    map.insert(c->objectName(), {reply, field});
            }
        }
    }
    cache.insert(key, map);
    return map;
}

QAbstractButton* button(WriteRig& rig, const QString& name)
{
    for (auto* b : rig.shown().findChildren<QAbstractButton*>(name)) {
        if (b->window() == &rig.shown())
            return b;
    }
    return nullptr;
}

// What a press sent of writes, and what it said.
struct Pressed
{
    bool enabled = false;
    QStringList writes;
    QStringList messages;
};

Pressed pressIn(WriteRig& rig, const QString& name)
{
    Pressed out;
    QAbstractButton* b = button(rig, name);
    const auto from = rig.logger.commands().size();
    const auto shown = rig.prompter.shown.size();
    out.enabled = b->isEnabled();
    // Questions are answered Yes: a destructive write goes as far as it can.
    for (int i = 0; i < 4; ++i)
        rig.prompter.answerNext(PromptAnswer::Yes);
    WriteRig::press(b);
    out.writes = writesFrom(rig.logger, from);
    for (auto i = shown; i < rig.prompter.shown.size(); ++i) {
        if (rig.prompter.shown[i].kind == QLatin1String("inform"))
            out.messages << rig.prompter.shown[i].text;
    }
    return out;
}

// Every button and switch of a window, by its name: one row each.
void addRows(Under under)
{
    QTest::addColumn<QString>("control");
    WriteRig rig(under);
    QStringList seen;
    for (auto* b : rig.shown().findChildren<QAbstractButton*>()) {
        const QString name = b->objectName();
        // Qt's own buttons, other windows', and the row boxes no one can click aside.
        if (b->window() != &rig.shown() || name.isEmpty() || name.startsWith(u"qt_") ||
            name.startsWith(u"Scroll") || b->testAttribute(Qt::WA_TransparentForMouseEvents) ||
            seen.contains(name))
            continue;
        seen << name;
        QTest::newRow(qPrintable(name)) << name;
    }
    QVERIFY(seen.size() > 5);
}

void check(Under w, const QString& control);

} // namespace

// One function a window, so that the windows run side by side.
class EveryWriteTest : public QObject
{
    Q_OBJECT
private slots:
    void mainWindow_data() { addRows(Under::Main); }
    void mainWindow()
    {
        QFETCH(QString, control);
        check(Under::Main, control);
    }
    void sensorWindow_data() { addRows(Under::Sensors); }
    void sensorWindow()
    {
        QFETCH(QString, control);
        check(Under::Sensors, control);
    }
    void alarmWindow_data() { addRows(Under::Alarms); }
    void alarmWindow()
    {
        QFETCH(QString, control);
        check(Under::Alarms, control);
    }
};

namespace {

void check(Under w, const QString& control)
{
    // All read: what the press writes, and which selection lets it; and what it writes when
    // the logger holds other values.
    QStringList known;
    int selection = -1;
    {
        WriteRig rig(w);
        for (int s = 0; s < rig.selections() && selection < 0; ++s) {
            rig.readAll(s);
            const Pressed p = pressIn(rig, control);
            if (!p.writes.isEmpty()) {
                known = p.writes;
                selection = s;
            }
        }
    }
    bool carriesValues = false;
    if (selection >= 0) {
        WriteRig rig(w, otherSettings());
        rig.logger.setClock(QDateTime(QDate(2027, 8, 9), QTime(3, 4), Qt::UTC), rig.now());
        rig.readAll(selection);
        carriesValues = pressIn(rig, control).writes != known;
    }

    // Never read: nothing of a write, unless it carries no field at all.
    {
        WriteRig rig(w);
        const Pressed p = pressIn(rig, control);
        QVERIFY(!rig.locked());
        if (selection < 0) {
            QCOMPARE(p.writes, QStringList()); // no write in any state: a read, or no exchange
            return;
        }
        if (!carriesValues) {
            // A fixed command: the same whatever the fields hold (or nothing, when it is off).
            if (!p.writes.isEmpty())
                QCOMPARE(p.writes, known);
            return;
        }
        QCOMPARE(p.writes, QStringList());
        // A write of a window that shows no record before it is read is off until then.
        if (p.enabled) {
            QCOMPARE(p.messages.size(), 1);
            QVERIFY2(p.messages[0].contains(QLatin1String("never read from the logger")),
                     qPrintable(p.messages[0]));
        }
    }

    // Read from a silent logger: nothing, and the message names the record's fields.
    QStringList record; // the controls' names
    {
        WriteRig rig(w);
        rig.readAll(selection, [&] { rig.logger.setSilentFrom(rig.logger.commands().size() + 1); });
        rig.logger.setSilentFrom(1 << 30);
        const Pressed p = pressIn(rig, control);
        QCOMPARE(p.writes, QStringList());
        QCOMPARE(p.messages.size(), 1);
        QVERIFY2(p.messages[0].contains(QLatin1String("got no answer from the logger")),
                 qPrintable(p.messages[0]));
        for (QWidget* c : rig.valueControls()) {
            if (mentions(p.messages[0], spokenName(c)))
                record << c->objectName();
        }
        QVERIFY2(!record.isEmpty(), qPrintable(p.messages[0]));
        QVERIFY(!rig.locked());
    }

    // One field of the record garbled, or left without an answer: nothing, and the message
    // names that field. Every field of the record that a read fills, in turn.
    const FaultMap map = faultMap(w, selection);
    int faulted = 0;
    for (const auto kind : {Fault::Kind::Garbled, Fault::Kind::Silent}) {
        WriteRig rig(w);
        for (const QString& name : record) {
            const auto at = map.value(name, {-1, -1});
            if (at.first < 0)
                continue;
            ++faulted;
            rig.readAll(selection, [&] {
                rig.logger.setReplyFault({kind, 0, at.first, at.second});
            });
            QWidget* field = rig.shown().findChild<QWidget*>(name);
            const Origin origin = WriteRig::originOf(field);
            QCOMPARE(origin, kind == Fault::Kind::Garbled ? Origin::Garbled : Origin::NoAnswer);
            if (auto* flag = qobject_cast<FlagBox*>(field))
                QCOMPARE(flag->checkState(), Qt::PartiallyChecked);
            const Pressed p = pressIn(rig, control);
            const QByteArray what =
                QStringLiteral("%1 with %2 %3")
                    .arg(control, name, kind == Fault::Kind::Garbled ? "garbled" : "silent")
                    .toUtf8();
            QVERIFY2(p.writes.isEmpty(), what + ": " + p.writes.join(u'|').toUtf8());
            QVERIFY2(p.messages.size() == 1, what);
            QVERIFY2(mentions(p.messages[0], spokenName(field)),
                     what + ": " + p.messages[0].toUtf8());
            QVERIFY2(p.messages[0].contains(kind == Fault::Kind::Garbled
                                                ? QLatin1String("came garbled from the logger")
                                                : QLatin1String("got no answer from the logger")),
                     what + ": " + p.messages[0].toUtf8());
            QVERIFY2(!rig.locked() && button(rig, control)->isEnabled() == p.enabled, what);
        }
    }
    QVERIFY2(faulted > 0, "no read fills the record");
}

} // namespace

QTEST_MAIN(EveryWriteTest)
#include "tst_everywrite.moc"

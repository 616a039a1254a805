// Settings files without a window: what the logger gives makes a file that reads back the same,
// every kind of bad file is refused at its line, and the collector notes what changed.
#include "collect/Collector.h"
#include "collect/ConsolePrompter.h"
#include "collect/SettingsAudit.h"
#include "settings/SettingsReader.h"
#include "support/EmulatorRig.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;

namespace {

settings::ReadResult readFrom(test::SimRig& rig)
{
    settings::ReadResult r;
    rig.transport.action([&] { r = settings::Reader(rig.transport).read(); });
    return r;
}

QString demoFile()
{
    test::SimRig rig;
    return QString::fromUtf8(settings::toText(readFrom(rig).set));
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void readValuesMakeAFileThatReadsBackTheSame()
    {
        sim::LoggerSettings s = sim::LoggerSettings::demo();
        s.smsTexts[2] = QStringLiteral("  two blanks before");
        s.smsTexts[3] = QStringLiteral("\"quoted\"");
        s.gprs[1] = QString();
        test::SimRig rig(s);
        const auto read = readFrom(rig);
        QVERIFY(read.unknown.isEmpty());
        QCOMPARE(read.set.logger, QStringLiteral("SITE1"));
        QCOMPARE(read.set.values.value("smstexts.warning3"), s.smsTexts[2]);
        // Name, counts, timer, pre-heating, start, switches; 6 per sensor, 5 per alarm row; the
        // SMS recipients, texts, GPRS, filter and rule.
        QCOMPARE(read.set.values.size(), 16 + 6 * 6 + 5 * 6 + 41);
        const auto parsed = settings::parse(settings::toText(read.set));
        QVERIFY2(parsed.set, qPrintable(parsed.problem));
        QCOMPARE(parsed.set->values, read.set.values);
        QCOMPARE(parsed.set->logger, read.set.logger);
        QVERIFY(settings::compare(read.set, *parsed.set).isEmpty());
    }

    void badFilesAreRefusedAtTheirLine_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("at"); // the line at fault holds this (its last occurrence)
        QTest::addColumn<QString>("says");
        // clang-format off
        QTest::newRow("other version") << "format = 1" << "format = 2" << "format = 2" << "format \"2\" is not one";
        QTest::newRow("not ours") << "format = 1" << "version = 1" << "version = 1" << "not a KORVELAN settings file";
        QTest::newRow("unknown key") << "timer.hours = 000" << "timer.hours = 000\ntimer.days = 1" << "timer.days" << "no setting this program knows";
        QTest::newRow("comma") << "gprs.apn = internet.apn" << "gprs.apn = internet,apn" << "gprs.apn" << "holds a comma";
        QTest::newRow("out of range") << "timer.hours = 000" << "timer.hours = 24" << "timer.hours" << "from 0 to 23";
        QTest::newRow("letters in a number") << "sensors.ch16.fs-volt = 2.5" << "sensors.ch16.fs-volt = 2.5V" << "ch16.fs-volt" << "is not a number";
        QTest::newRow("name too long") << "name = SITE1" << "name = SITE1-NORTH-7" << "name = SITE1-" << "longer than 10";
        QTest::newRow("flag") << "acquisitions.on = 1" << "acquisitions.on = yes" << "acquisitions.on" << "neither 0 nor 1";
        QTest::newRow("twice") << "filter.threshold = 0" << "filter.threshold = 0\nfilter.threshold = 1" << "filter.threshold" << "second time (first on line";
        QTest::newRow("timer under a minute") << "timer.minutes = 030" << "timer.minutes = 000" << "timer.seconds" << "shorter than one minute";
        QTest::newRow("no such date") << "start.day = 1\nstart.month = 1" << "start.day = 30\nstart.month = 2" << "start.day" << "not a date that exists";
        QTest::newRow("counts edited") << "channels.mux0 = 4" << "channels.mux0 = 3" << "ch3.name" << "channel counts do not make active";
        QTest::newRow("line missing") << "gprs.apn = internet.apn\n" << "" << "end =" << "lines are missing";
        QTest::newRow("cut short") << "\n# GPRS" << "" << "" << "it was cut short";
        // clang-format on
    }
    void badFilesAreRefusedAtTheirLine()
    {
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(QString, at);
        QFETCH(QString, says);
        static const QString good = demoFile();
        QVERIFY(settings::parse(good.toUtf8()).set);
        QVERIFY2(good.contains(find), qPrintable(find));
        QString bad = good;
        if (at.isEmpty()) // cut there: the line before is the last
            bad.truncate(good.indexOf(find));
        else
            bad.replace(good.indexOf(find), find.size(), replace);
        const auto parsed = settings::parse(bad.toUtf8());
        QVERIFY(!parsed.set);
        const int line = at.isEmpty() ? int(bad.trimmed().count(u'\n')) + 1
                                      : int(bad.left(bad.lastIndexOf(at)).count(u'\n')) + 1;
        QVERIFY2(parsed.problem.startsWith(QStringLiteral("Line %1: ").arg(line)) &&
                     parsed.problem.contains(says),
                 qPrintable(parsed.problem));
    }

    void collectorNotesWhatChangedSinceTheLastFile()
    {
        QTemporaryDir dir;
        test::SimRig rig;
        rig.logger.fillMemory(3);
        ConsolePrompter prompter{[](const QString&) {}};
        Collector collector(rig.transport, prompter,
                            Collector::Settings{dir.path(), dir.path(), CollectOptions::Range::All,
                                                std::nullopt, std::nullopt,
                                                CollectOptions::kDefaultDialLimit});
        collector.setSaveSettings(true);
        collector.setToday([] { return QDate(2026, 12, 5); });
        const LoggerReport first = collector.collectCable(1, QStringLiteral("COM1"));
        const QString file =
            QDir(dir.path()).filePath(QStringLiteral("SITE1_05_12_26_SETTINGS.txt"));
        QVERIFY2(first.notes.contains(QStringLiteral("settings=") + QDir::toNativeSeparators(file)),
                 qPrintable(first.notes.join("; ")));
        QVERIFY(settings::load(file).set);

        rig.logger.settings().timer = {0, 45, 0};
        rig.logger.settings().gprs[1] = QStringLiteral("changed");
        const LoggerReport second = collector.collectCable(1, QStringLiteral("COM1"));
        QVERIFY(second.collected);
        const QString note = second.notes.last();
        QVERIFY2(
            note.startsWith(QStringLiteral("settings changed since ")) &&
                note.endsWith(QStringLiteral(": Timer minutes \"030\" -> \"045\", GPRS PASSWORD")),
            qPrintable(note));
        QVERIFY(QFile::exists(QDir(dir.path()).filePath("SITE1_05_12_26_SETTINGS_2.txt")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

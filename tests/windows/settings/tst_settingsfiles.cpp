// The main window's settings files on the emulated logger: a configuration saved from one
// logger and applied to another goes out through the windows' own writes, byte for byte, and
// reads back equal; a bad file or one of another model sends nothing; the apply starts with the
// name and the channel counts unticked, asks before the counts, and stops between groups; a
// cancelled read saves nothing.
#include "windows/settings/SettingsActions.h"
#include "windows/settings/SettingsDialog.h"
#include "windows/writes/WriteRig.h"

#include <QCheckBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace korvelan;
using settings::Group;

namespace {

struct FileRig : test::MainRig
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("SITE1_SETTINGS.txt"));
    std::function<bool(SettingsDialog&)> run = [](SettingsDialog&) { return true; };

    explicit FileRig(sim::LoggerSettings s = sim::LoggerSettings::demo()) : MainRig(std::move(s))
    {
        window.applyModel(0);
        files().setFileChooser([this](bool, const QString&) { return path; });
        files().setDialogRunner([this](SettingsDialog& d) { return run(d); });
    }
    SettingsActions& files() { return window.settingsFiles(); }
    [[nodiscard]] QString said() const { return prompter.shown.last().text; }
};

// The demonstration logger's settings saved to a file of `rig`'s.
void saveDemo(const QString& path)
{
    FileRig demo;
    demo.path = path;
    demo.files().saveSettings();
    QVERIFY2(demo.said().startsWith(QStringLiteral("The settings of SITE1 were saved to ")),
             qPrintable(demo.said()));
    QVERIFY(test::writesFrom(demo.logger, 0).isEmpty());
}

} // namespace

class TestSettingsFiles : public QObject
{
    Q_OBJECT
private slots:
    void appliedToAnotherLoggerItReadsBackEqual()
    {
        FileRig b(test::otherSettings());
        saveDemo(b.path);
        b.run = [&b](SettingsDialog& d) {
            b.prompter.answerNext(PromptAnswer::Yes); // erase the memory for the counts
            d.tick(Group::ChannelCounts)->setChecked(true);
            d.tick(Group::Name)->setChecked(true);
            return true;
        };
        const qsizetype from = b.logger.commands().size();
        b.files().applySettings();
        QVERIFY2(b.said().endsWith(QStringLiteral(" fields written; the logger now matches the "
                                                  "file.")),
                 qPrintable(b.said()));
        const QString r = QStringLiteral("r %1,%2,0,2.5,0,%3,");
        QCOMPARE(test::writesFrom(b.logger, from),
                 QStringList({"b,",
                              "h0, 4,",
                              "h1, 2,",
                              "c000,030,000,",
                              "e00250,",
                              "y1,1, 100,00,00,",
                              "o1,",
                              r.arg(0).arg("CH0").arg(100),
                              "[ 0,1,",
                              r.arg(1).arg("CH1").arg(100),
                              "[ 1,1,",
                              r.arg(2).arg("CH2").arg(100),
                              "[ 2,1,",
                              r.arg(3).arg("CH3").arg(100),
                              "[ 3,1,",
                              r.arg(16).arg("LEVEL-01").arg(350),
                              "[ 16,0,",
                              r.arg(17).arg("CH17").arg(100),
                              "[ 17,0,",
                              "j 0,1,3100,2100,",
                              "( 0,3000,2200,",
                              "j 1,0,0,0,",
                              "( 1,0,0,",
                              "j 2,0,0,0,",
                              "( 2,0,0,",
                              "j 3,0,0,0,",
                              "( 3,0,0,",
                              "j 16,0,0,0,",
                              "( 16,0,0,",
                              "j 17,0,0,0,",
                              "( 17,0,0,",
                              "i+393331234567,,,,,,,,,,1, 1, 0,",
                              "f+393331234567, 0,",
                              "xWARNING,SITE1,,,,ALERT,SITE1,,,,",
                              "kuser,pass,internet.apn,ftp.example.org,site1,secret,/upload,21,"
                              "10,0,",
                              "[1,0,",
                              "<1,1,0,0,",
                              "u0,",
                              "qSITE1,"}));
        // What the logger keeps, field for field.
        const auto& got = b.logger.settings();
        const auto want = sim::LoggerSettings::demo();
        QCOMPARE(got.name, want.name);
        QCOMPARE(got.timer, want.timer);
        QCOMPARE(got.preheatingMs, want.preheatingMs);
        QCOMPARE(got.startDate, want.startDate);
        QCOMPARE(got.acquiring, want.acquiring);
        QCOMPARE(got.channelCounts, want.channelCounts);
        for (int c : {0, 1, 2, 3, 16, 17}) {
            QCOMPARE(got.calibrations[size_t(c)], want.calibrations[size_t(c)]);
            QCOMPARE(got.vibratingWire[size_t(c)], want.vibratingWire[size_t(c)]);
            QCOMPARE(got.alerts[size_t(c)], want.alerts[size_t(c)]);
            QCOMPARE(got.warnings[size_t(c)], want.warnings[size_t(c)]);
        }
        QCOMPARE(got.smsTexts, want.smsTexts);
        QCOMPARE(got.sms, want.sms);
        QCOMPARE(got.phoneAlarm, want.phoneAlarm);
        QCOMPARE(got.gprs, want.gprs);
        QCOMPARE(got.filter, want.filter);
        QCOMPARE(got.simultaneous, want.simultaneous);
        QCOMPARE(got.eventsCounter, want.eventsCounter);
    }

    void cancellingTheReadSavesNothing()
    {
        FileRig a;
        QTimer::singleShot(0, &a.window, [&a] {
            if (auto* bar = a.window.findChild<QProgressDialog*>(QStringLiteral("prgSettings")))
                bar->findChild<QPushButton*>()->click();
        });
        a.files().saveSettings();
        QCOMPARE(a.said(), QStringLiteral("The read was cancelled: nothing was saved."));
        QVERIFY(!QFile::exists(a.path));
    }

    void compareShowsTheFieldsThatDiffer()
    {
        FileRig b(test::otherSettings());
        saveDemo(b.path);
        QStringList row;
        b.run = [&row](SettingsDialog& d) {
            for (int r = 0; r < d.table()->rowCount(); ++r) {
                if (d.table()->item(r, 1)->text() == QLatin1String("Timer minutes"))
                    for (int c = 0; c < 4; ++c)
                        row << d.table()->item(r, c)->text();
            }
            return false;
        };
        b.files().compareSettings();
        QCOMPARE(row, QStringList({"Timer", "Timer minutes", "005", "030"}));
        FileRig same;
        same.path = b.path;
        same.files().compareSettings();
        QCOMPARE(same.said(), "The logger's settings are those of the file: no field differs.");
    }

    void refusedFilesSendNothing_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("says");
        // clang-format off
        QTest::newRow("value the logger cannot take") << "timer.hours = 000" << "timer.hours = 2x" << " cannot be used: Line ";
        QTest::newRow("another model") << "model = 0" << "model = 3" << "The file holds the settings of a logger of model 3; this logger is of model 0. Nothing was sent.";
        // clang-format on
    }
    void refusedFilesSendNothing()
    {
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(QString, says);
        FileRig b(test::otherSettings());
        saveDemo(b.path);
        QFile file(b.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll().replace(find.toUtf8(), replace.toUtf8());
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) > 0);
        file.close();
        b.files().applySettings();
        QVERIFY2(b.said().contains(says), qPrintable(b.said()));
        QVERIFY(test::writesFrom(b.logger, 0).isEmpty());
    }

    void nameAndCountsStartUntickedAndTheCountsAskFirst()
    {
        FileRig b(test::otherSettings());
        saveDemo(b.path);
        QList<Group> ticked;
        bool countsTicked = true;
        b.run = [&](SettingsDialog& d) {
            ticked = d.ticked();
            b.prompter.answerNext(PromptAnswer::No);
            d.tick(Group::ChannelCounts)->setChecked(true);
            countsTicked = d.tick(Group::ChannelCounts)->isChecked();
            return false;
        };
        b.files().applySettings();
        QCOMPARE(ticked.size(), settings::kGroups - 4); // every group but the virtual alarms
        QVERIFY(!ticked.contains(Group::Name) && !ticked.contains(Group::ChannelCounts));
        QVERIFY(!countsTicked);
        QCOMPARE(b.said(), ChannelsGroup::kEraseWarning);
        QVERIFY(test::writesFrom(b.logger, 0).isEmpty());
    }

    void aStopBetweenGroupsSaysWhatWasWritten()
    {
        FileRig b(test::otherSettings());
        saveDemo(b.path);
        b.files().setBeforeGroup([&b](Group g) {
            if (g == Group::Preheating)
                b.window.RIPRISTINA_DA_ERRORI();
        });
        const qsizetype from = b.logger.commands().size();
        b.files().applySettings();
        QVERIFY2(b.said().startsWith(QStringLiteral("Stopped. Written: Timer. Not written: "
                                                    "Pre-heating, Acquisition start, ")),
                 qPrintable(b.said()));
        QCOMPARE(test::writesFrom(b.logger, from), QStringList{"c000,030,000,"});
    }
};

QTEST_MAIN(TestSettingsFiles)
#include "tst_settingsfiles.moc"

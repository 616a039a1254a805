// Deleting files and the busy-file check, with another process holding the file open.
#include "download/FileUtilities.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace korvelan;

namespace {

// Scripted answers, and something that happens while the question is on screen.
class WatchingPrompter final : public Prompter
{
public:
    void inform(PromptIcon i, const QString& t, const QString& x) override
    {
        scripted.inform(i, t, x);
    }
    PromptAnswer askYesNo(PromptIcon i, const QString& t, const QString& x, PromptAnswer a) override
    {
        return scripted.askYesNo(i, t, x, a);
    }
    PromptAnswer askRetryCancel(PromptIcon i, const QString& t, const QString& x) override
    {
        if (whileAsking)
            whileAsking();
        return scripted.askRetryCancel(i, t, x);
    }
    int askChoice(PromptIcon i, const QString& t, const QString& x, const QStringList& a, int d,
                  int e) override
    {
        return scripted.askChoice(i, t, x, a, d, e);
    }
    void beep() override {}

    test::ScriptedPrompter scripted;
    std::function<void()> whileAsking;
};

} // namespace

class FileUtilitiesTest : public QObject
{
    Q_OBJECT
private slots:
    void busyCheckThenDelete_data();
    void busyCheckThenDelete();
};

void FileUtilitiesTest::busyCheckThenDelete_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("questions"); // more than 0: another program holds the file
    QTest::addColumn<bool>("remains");  // once deleted
    QTest::newRow("no file") << "missing" << false << 0 << false;
    QTest::newRow("free file") << "free" << false << 0 << false;
    QTest::newRow("open in this program") << "ours" << false << 0 << false;
    QTest::newRow("read-only file is not forced") << "readonly" << false << 0 << true;
    QTest::newRow("held, operator gives up") << "cancel" << true << 1 << false;
    QTest::newRow("held, retries too soon, then closes it") << "retry-close" << false << 2 << false;
    QTest::newRow("held, operator deletes it, retries") << "delete" << false << 1 << false;
}

void FileUtilitiesTest::busyCheckThenDelete()
{
    QFETCH(QString, kind);
    QFETCH(bool, busy);
    QFETCH(int, questions);
    QFETCH(bool, remains);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mc_20261205.txt"));
    QFile file(path);
    if (kind != "missing") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept\r\n");
        file.close();
    }
    if (kind == "ours")
        QVERIFY(file.open(QIODevice::ReadOnly));
    if (kind == "readonly")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    WatchingPrompter prompter;
    // Another program with the file open, as an editor or a spreadsheet would keep it.
    QProcess holder;
    if (questions > 0) {
        holder.start("/bin/sh", {"-c", "exec 3<\"$1\"; echo ready; exec sleep 60", "sh", path});
        QVERIFY(holder.waitForReadyRead(5000) && heldOpenElsewhere(path));
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(2)); // Cancel is the unscripted answer
        prompter.scripted.answerNext(PromptAnswer::Retry);
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(0));
        prompter.scripted.shown.clear();
    } else if (kind != "missing") {
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(1));
    }
    int asked = 0;
    prompter.whileAsking = [&] {
        if (++asked == 2 && kind == "retry-close") {
            holder.kill();
            holder.waitForFinished(5000);
        }
        if (kind == "delete")
            QFile::remove(path);
    };
    for (int i = 0; i < (busy ? 0 : 2); ++i)
        prompter.scripted.answerNext(PromptAnswer::Retry);
    QCOMPARE(FileOccupato(path, prompter), busy);
    QCOMPARE(prompter.scripted.shown.size(), questions);
    for (const auto& shown : prompter.scripted.shown) {
        QCOMPARE(shown.kind, QStringLiteral("retrycancel"));
        QCOMPARE(shown.title, QStringLiteral("Azione annullata"));
        QCOMPARE(shown.text, "Il file " + QDir::toNativeSeparators(path) +
                                 " è occupato. Chiudere le applicazioni che utilizzano il file.");
    }
    // The check never moves or changes the file.
    QVERIFY(!QFile::exists(path + ".temp"));
    if (kind != "missing" && kind != "delete") {
        QFile again(path);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("kept\r\n"));
    }
    holder.kill();
    holder.waitForFinished(5000);
    CancellaFile(path);
    QCOMPARE(QFile::exists(path), remains);
}

QTEST_GUILESS_MAIN(FileUtilitiesTest)
#include "tst_fileutilities.moc"

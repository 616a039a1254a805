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
class WatchingPrompter final : public Prompter {
public:
    void inform(PromptIcon icon, const QString& title, const QString& text) override
    {
        scripted.inform(icon, title, text);
    }
    PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                          PromptAnswer defaultAnswer) override
    {
        return scripted.askYesNo(icon, title, text, defaultAnswer);
    }
    PromptAnswer askRetryCancel(PromptIcon icon, const QString& title, const QString& text) override
    {
        if (whileAsking)
            whileAsking();
        return scripted.askRetryCancel(icon, title, text);
    }
    void beep() override { scripted.beep(); }

    test::ScriptedPrompter scripted;
    std::function<void()> whileAsking;
};

// Another program with the file open, as an editor or a spreadsheet would keep it.
class Holder {
public:
    explicit Holder(const QString& path)
    {
        m_process.start(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("exec 3<\"$1\"; echo ready; exec sleep 60"),
                         QStringLiteral("sh"), path});
        m_ready = m_process.waitForReadyRead(5000);
    }
    ~Holder() { close(); }
    [[nodiscard]] bool ready() const { return m_ready; }
    void close()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    bool m_ready = false;
};

QString makeFile(const QTemporaryDir& dir, const QByteArray& content = "data\r\n")
{
    const QString path = dir.filePath(QStringLiteral("mc_20261205.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QString busyText(const QString& path)
{
    return QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
           QStringLiteral(" è occupato. Chiudere le applicazioni che utilizzano il file.");
}

}  // namespace

class FileUtilitiesTest : public QObject {
    Q_OBJECT
private slots:
    void cancellaFile_data();
    void cancellaFile();
    void freeFileIsNotBusy_data();
    void freeFileIsNotBusy();
    void fileHeldByAnotherProgram_data();
    void fileHeldByAnotherProgram();
};

void FileUtilitiesTest::cancellaFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("remains");
    QTest::newRow("ordinary file") << "file" << false;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("read-only file is not forced") << "readonly" << true;
}

void FileUtilitiesTest::cancellaFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, remains);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("none.txt"));
    if (kind != "missing")
        path = makeFile(dir);
    if (kind == "readonly")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    CancellaFile(path);
    QCOMPARE(QFile::exists(path), remains);
}

void FileUtilitiesTest::freeFileIsNotBusy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no file") << "missing";
    QTest::newRow("free file") << "free";
    QTest::newRow("open in this program") << "ours";
}

void FileUtilitiesTest::freeFileIsNotBusy()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = kind == "missing" ? dir.filePath(QStringLiteral("x.txt")) : makeFile(dir);
    QFile ours(path);
    if (kind == "ours")
        QVERIFY(ours.open(QIODevice::ReadOnly));
    WatchingPrompter prompter;
    QVERIFY(!FileOccupato(path, prompter));
    QVERIFY(prompter.scripted.shown.isEmpty());
    if (kind != "missing") {
        QCOMPARE(QFile::exists(path), true);
        QVERIFY(!QFile::exists(path + ".temp"));
        QCOMPARE(ProvaRinomina(path, prompter), int16_t(1));
    }
}

void FileUtilitiesTest::fileHeldByAnotherProgram_data()
{
    QTest::addColumn<QString>("operatorDoes");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("questions");
    QTest::newRow("gives up") << "cancel" << true << 1;
    QTest::newRow("closes the program, retries") << "close" << false << 1;
    QTest::newRow("retries too soon, then closes it") << "retry-close" << false << 2;
    QTest::newRow("deletes the file, retries") << "delete" << false << 1;
}

void FileUtilitiesTest::fileHeldByAnotherProgram()
{
    QFETCH(QString, operatorDoes);
    QFETCH(bool, busy);
    QFETCH(int, questions);
    QTemporaryDir dir;
    const QString path = makeFile(dir, "kept\r\n");
    Holder holder(path);
    QVERIFY(holder.ready());
    QVERIFY(heldOpenElsewhere(path));

    WatchingPrompter prompter;
    QCOMPARE(ProvaRinomina(path, prompter), int16_t(2));  // Cancel is the unscripted answer
    prompter.scripted.answerNext(PromptAnswer::Retry);
    QCOMPARE(ProvaRinomina(path, prompter), int16_t(0));
    prompter.scripted.shown.clear();

    int asked = 0;
    prompter.whileAsking = [&] {
        ++asked;
        if (operatorDoes == "close" || (operatorDoes == "retry-close" && asked == 2))
            holder.close();
        if (operatorDoes == "delete")
            QFile::remove(path);
    };
    if (operatorDoes != "cancel") {
        prompter.scripted.answerNext(PromptAnswer::Retry);
        prompter.scripted.answerNext(PromptAnswer::Retry);
    }
    QCOMPARE(FileOccupato(path, prompter), busy);
    QCOMPARE(prompter.scripted.shown.size(), questions);
    for (const auto& shown : prompter.scripted.shown) {
        QCOMPARE(shown.kind, QStringLiteral("retrycancel"));
        QCOMPARE(shown.title, QStringLiteral("Azione annullata"));
        QCOMPARE(shown.text, busyText(path));
    }
    // The check never moves or changes the file.
    if (operatorDoes != "delete") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept\r\n"));
    }
    QVERIFY(!QFile::exists(path + ".temp"));
}

QTEST_GUILESS_MAIN(FileUtilitiesTest)
#include "tst_fileutilities.moc"

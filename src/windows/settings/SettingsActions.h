#pragma once

#include "settings/SettingsReader.h"
#include "ui/GroupContext.h"
#include "windows/settings/SettingsDialog.h"

#include <QObject>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;

namespace korvelan {

class MainWindow;

// The main window's settings files: "Save settings…" reads every setting the program can
// write into a file; "Compare with settings file…" shows how the logger differs from one;
// "Apply settings file…" writes the groups the operator ticks, each through the program's
// own write (its checks, its bytes, its read-back), then compares again.
class SettingsActions : public QObject
{
    Q_OBJECT
public:
    SettingsActions(MainWindow& window, GroupContext context);

    // The file to save to (`saving`) or to open; empty: the operator cancelled.
    using ChooseFile = std::function<QString(bool saving, const QString& proposed)>;
    void setFileChooser(ChooseFile choose) { m_choose = std::move(choose); }
    // Shows the table; true when the operator pressed "Apply".
    using RunDialog = std::function<bool(SettingsDialog& dialog)>;
    void setDialogRunner(RunDialog run) { m_runDialog = std::move(run); }
    // Told before each group of an apply is written.
    void setBeforeGroup(std::function<void(settings::Group)> hook)
    {
        m_beforeGroup = std::move(hook);
    }

    void saveSettings();
    void compareSettings();
    void applySettings();

private:
    struct Comparison
    {
        settings::SettingsSet file;
        settings::SettingsSet logger;
        QList<settings::Difference> differences;
        QList<settings::Group> ticked;
    };
    // A file chosen, the logger read and their differences shown in the dialog of `mode`;
    // nothing when the file was refused, the read did not end, nothing differs or the
    // operator closed the dialog (told why where it is not the operator's doing).
    std::optional<Comparison> showDifferences(SettingsDialog::Mode mode);
    // A bar that says what is under way; its Cancel ends the exchange, as RESTORE does.
    std::unique_ptr<QProgressDialog> progressBox(const QString& text);
    // Every setting read from the logger, a progress box up meanwhile; nothing when the read
    // was cancelled or some field got no answer (the operator was told, `nothingWhat` saying
    // what did not happen).
    std::optional<settings::SettingsSet> readLogger(const QString& nothingWhat);
    // The file chosen and read; nothing when it was refused (the operator was told why).
    std::optional<settings::SettingsSet> openFile(QString* path);
    [[nodiscard]] bool sameModel(const settings::SettingsSet& logger,
                                 const settings::SettingsSet& file);
    // Writes the file's values of `group` through its window's write; false when the operator
    // declined a question it asks first.
    bool writeGroup(settings::Group group, const settings::SettingsSet& logger,
                    const settings::SettingsSet& file);
    void inform(const QString& text);

    MainWindow& m_window;
    GroupContext m_ctx;
    ChooseFile m_choose;
    RunDialog m_runDialog;
    std::function<void(settings::Group)> m_beforeGroup;
};

} // namespace korvelan

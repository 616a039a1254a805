#pragma once

#include "settings/SettingsFile.h"

#include <QDialog>
#include <QMap>

class QCheckBox;
class QTableWidget;

namespace korvelan {

class Prompter;

// The fields in which a logger differs from a settings file: group, field, the logger's value
// and the file's. To apply the file it has a tick per group that differs; the name and the
// channel counts (whose write erases the logger's memory) start unticked, and ticking the
// counts asks first, as their write does.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Compare, Apply };

    SettingsDialog(Mode mode, const QString& heading,
                   const QList<settings::Difference>& differences, Prompter& prompter,
                   QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* table() const { return m_table; }
    // The tick of `group`; none when the group does not differ (or when comparing).
    [[nodiscard]] QCheckBox* tick(settings::Group group) const { return m_ticks.value(group); }
    [[nodiscard]] QList<settings::Group> ticked() const;

private:
    QTableWidget* m_table = nullptr;
    QMap<settings::Group, QCheckBox*> m_ticks;
};

} // namespace korvelan

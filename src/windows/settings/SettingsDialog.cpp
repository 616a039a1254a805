#include "windows/settings/SettingsDialog.h"

#include "common/Prompter.h"
#include "windows/main/ChannelsGroup.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvelan {

using settings::Group;

SettingsDialog::SettingsDialog(Mode mode, const QString& heading,
                               const QList<settings::Difference>& differences, Prompter& prompter,
                               QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(mode == Mode::Apply ? QStringLiteral("Apply settings file")
                                       : QStringLiteral("Compare with settings file"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(heading, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    m_table = new QTableWidget(int(differences.size()), 4, this);
    m_table->setObjectName(QStringLiteral("tblDifferences"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Group"), QStringLiteral("Field"),
                                        QStringLiteral("In the logger"),
                                        QStringLiteral("In the file")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const auto shown = [](bool has, const QString& value) {
        return has ? value : QStringLiteral("(not active)");
    };
    for (int r = 0; r < differences.size(); ++r) {
        const auto& d = differences[r];
        const QString cells[] = {settings::groupName(d.spec.group), d.spec.label,
                                 shown(d.loggerHas, d.inLogger), shown(d.fileHas, d.inFile)};
        for (int c = 0; c < 4; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(this);
    if (mode == Mode::Apply) {
        auto* frame = new QGroupBox(QStringLiteral("Write these groups"), this);
        auto* grid = new QGridLayout(frame);
        for (const auto& d : differences) {
            if (m_ticks.contains(d.spec.group))
                continue;
            auto* box = new QCheckBox(settings::groupName(d.spec.group), frame);
            box->setObjectName(QStringLiteral("tick%1").arg(int(d.spec.group)));
            box->setChecked(d.spec.group != Group::Name && d.spec.group != Group::ChannelCounts);
            grid->addWidget(box, int(m_ticks.size()) / 3, int(m_ticks.size()) % 3);
            m_ticks.insert(d.spec.group, box);
        }
        if (auto* counts = m_ticks.value(Group::ChannelCounts)) {
            connect(counts, &QCheckBox::toggled, this, [counts, &prompter](bool on) {
                if (on && !confirmDestructive(prompter, ChannelsGroup::kEraseWarning))
                    counts->setChecked(false);
            });
        }
        layout->addWidget(frame);
        buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole)
            ->setObjectName(QStringLiteral("cmdApply"));
        buttons->addButton(QDialogButtonBox::Cancel);
    } else {
        buttons->addButton(QDialogButtonBox::Close);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 480);
}

QList<Group> SettingsDialog::ticked() const
{
    QList<Group> out;
    for (auto it = m_ticks.cbegin(); it != m_ticks.cend(); ++it) {
        if (it.value()->isChecked())
            out << it.key();
    }
    return out;
}

} // namespace korvelan

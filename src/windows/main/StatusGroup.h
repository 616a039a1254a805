#pragma once

#include "ui/GroupContext.h"

#include <QObject>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvelan {

// The logger's internal parameters: 5 V supply, internal 3 V and battery voltage.
class StatusGroup : public QObject
{
    Q_OBJECT
public:
    StatusGroup(GroupContext context, QWidget* readNowPage);

    void Status();

    [[nodiscard]] QPushButton* statusButton() const { return m_status; }
    [[nodiscard]] QLineEdit* parameters(int i) const { return m_parameters.at(size_t(i)); }

private:
    GroupContext m_ctx;
    QPushButton* m_status = nullptr;
    std::array<QLineEdit*, 3> m_parameters{};
    std::array<QLabel*, 3> m_labels{};
};

} // namespace korvelan

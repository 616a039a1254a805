#include "windows/main/StatusGroup.h"

#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/Layouts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvelan {

StatusGroup::StatusGroup(GroupContext context, QWidget* readNowPage)
    : QObject(readNowPage), m_ctx(context)
{
    auto* frame = new QGroupBox(QStringLiteral("Internal Parameters"), readNowPage);
    frame->setObjectName(QStringLiteral("FrameParameters"));
    auto* grid = new QGridLayout(frame);
    static const char* captions[] = {"5 Volt", "3 V Vint", "V Batt"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(frame);
        box->setObjectName(QStringLiteral("parameters%1").arg(i));
        box->setReadOnly(true);
        layouts::fitWidth(box, QStringLiteral("00.00"));
        auto* label = layouts::caption(QString::fromLatin1(captions[i]), box);
        label->setObjectName(QStringLiteral("para%1").arg(i));
        grid->addWidget(label, 0, 2 * i);
        grid->addWidget(box, 0, 2 * i + 1);
        m_labels[size_t(i)] = label;
        m_parameters[size_t(i)] = box;
    }
    // The internal 3 V is not shown to the operator.
    m_labels[1]->hide();
    m_parameters[1]->hide();
    m_status = layouts::button(QStringLiteral("Status"), QStringLiteral("Read Internal Parameters"),
                               frame);
    grid->addWidget(m_status, 0, 6);
    grid->setColumnStretch(7, 1);
    layouts::addToPage(readNowPage, frame);
    connect(m_status, &QPushButton::clicked, this, &StatusGroup::Status);
}

void StatusGroup::Status()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Invia_Comando(QStringLiteral("W"), QString());
        for (auto* box : m_parameters)
            box->setText(numbers::format(m_ctx.transport.Leggi_Campo(), QStringLiteral("00.00")));
    });
}

} // namespace korvelan

#include "ui/FlagBox.h"

namespace korvelan {

namespace {

QString unknownTip(Origin origin)
{
    switch (origin) {
    case Origin::NeverRead:
        return QStringLiteral("Not read from the logger yet");
    case Origin::NoAnswer:
        return QStringLiteral("The logger's value is unknown: it did not answer when this was "
                              "read");
    case Origin::Garbled:
    case Origin::Partial:
        return QStringLiteral("The logger's value is unknown: its answer came garbled");
    case Origin::Logger:
    case Origin::Operator:
        break;
    }
    return {};
}

} // namespace

FlagBox::FlagBox(const QString& name, const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    setObjectName(name);
    display(Qt::Unchecked, Origin::NeverRead);
}

std::optional<bool> FlagBox::value() const
{
    if (!isKnown(m_origin))
        return std::nullopt;
    return checkState() == Qt::Checked;
}

void FlagBox::showReply(replies::Flag flag)
{
    showFlag(flag.on, flag.origin);
}

void FlagBox::showFlag(bool on, Origin origin)
{
    if (isKnown(origin))
        display(on ? Qt::Checked : Qt::Unchecked, origin);
    else
        display(origin == Origin::NeverRead ? Qt::Unchecked : Qt::PartiallyChecked, origin);
}

void FlagBox::display(Qt::CheckState state, Origin origin)
{
    ++m_keeping;
    setTristate(state == Qt::PartiallyChecked);
    setCheckState(state);
    --m_keeping;
    m_origin = origin;
    const QString tip = unknownTip(origin);
    setToolTip(tip.isEmpty() ? m_hint : m_hint.isEmpty() ? tip : m_hint + QLatin1Char('\n') + tip);
}

void FlagBox::setHint(const QString& hint)
{
    m_hint = hint;
    display(checkState(), m_origin);
}

void FlagBox::nextCheckState()
{
    m_beforeClick = checkState();
    m_originBeforeClick = m_origin;
    display(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked, Origin::Operator);
}

void FlagBox::undoClick()
{
    display(m_beforeClick, m_originBeforeClick);
}

void FlagBox::checkStateSet()
{
    QCheckBox::checkStateSet();
    if (m_keeping == 0)
        display(checkState(), Origin::NeverRead);
}

} // namespace korvelan

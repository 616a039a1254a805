#pragma once

#include <QString>

namespace korvelan {

// What the link has to tell the operator itself: a port that will not open, a link lost for
// good. The program's message boxes (or a console) take it; the link knows nothing of them.
class LinkNotices
{
public:
    enum class Kind { Plain, Warning };

    virtual ~LinkNotices() = default;
    virtual void linkNotice(Kind kind, const QString& title, const QString& text) = 0;
};

} // namespace korvelan

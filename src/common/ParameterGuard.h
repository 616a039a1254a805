#pragma once

#include <QStringList>

namespace korvelan {

class Prompter;

// The logger ends each parameter at a comma: a typed value holding one would shift every
// field after it. Returns true (and tells the operator) when any of `values` holds a comma.
bool refuseCommas(Prompter& prompter, const QStringList& values);

} // namespace korvelan

#pragma once

#include "sim/CommandReader.h"

#include <QString>
#include <optional>

namespace korvelan::sim {

// The forms in which the logger takes each command's parameters, as its command table gives
// them: which fields, and for each whether it is a plain number ("0"), a number with its
// leading blank (" 0", "-1900"), zero-padded to a width ("030"), a flag ("0" or "1"), or
// free text. A command in any other form (a blank where the table has none, a field too many
// or too few, letters where a number belongs) is a protocol error, which the logger refuses.
//
// Returns why `command` is not in one of its forms; nothing when it is.
std::optional<QString> formError(const Command& command);

// The command as it came on the wire: "h0, 8,", "G", "G,".
QString wireText(const Command& command);

} // namespace korvelan::sim

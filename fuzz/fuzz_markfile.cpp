// A --since-last mark file as whatever a disk may hold: a file that reads as a mark is one that
// can be written again and reads back the same, never with an empty line, and any logger state
// gives a plan.
#include "collect/SinceLast.h"

#include <cstdlib>

using namespace korvelan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto mark = sincelast::parseMarkFile(text);
    if (!mark)
        return 0;
    if (mark->line.isEmpty() || mark->line.contains('\n') || (mark->place && *mark->place < 1))
        std::abort();
    const auto again = sincelast::parseMarkFile(sincelast::markFileText(*mark));
    if (!again || again->line != mark->line || again->place != mark->place ||
        again->date != mark->date || again->time != mark->time)
        std::abort();
    // The logger's state from the first bytes: any of it makes a plan, and a range never
    // starts after it ends nor leaves out the mark's day.
    sincelast::LoggerState state;
    if (size > 2) {
        state.date = QDate(2000 + data[0] % 40, 1 + data[1] % 12, 1 + data[2] % 28);
        state.time = QTime(data[0] % 24, data[1] % 60);
        state.stored = qint64(data[2]) * 40;
        state.full = data[1] & 1;
    }
    const auto plan = sincelast::plan(*mark, state, QDate(2026, 12, 5));
    if (plan.range && (plan.range->from > plan.range->to || plan.range->from != *mark->date))
        std::abort();
    if (!plan.range && plan.whole.isEmpty())
        std::abort();
    return 0;
}

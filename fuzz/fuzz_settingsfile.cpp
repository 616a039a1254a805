// A settings file as whatever a disk or an editor may leave: a file that is taken holds only
// values the logger can take, and writes back to a file that reads the same.
#include "settings/SettingsFile.h"

#include <cstdlib>

using namespace korvelan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto parsed = settings::parse(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!parsed.set) {
        if (!parsed.problem.startsWith(QStringLiteral("Line ")) || parsed.line < 1)
            std::abort();
        return 0;
    }
    const settings::SettingsSet& set = *parsed.set;
    for (auto it = set.values.cbegin(); it != set.values.cend(); ++it) {
        const auto spec = settings::specOf(it.key());
        if (!spec || settings::valueProblem(*spec, it.value()))
            std::abort();
    }
    const auto again = settings::parse(settings::toText(set));
    if (!again.set || again.set->values != set.values || again.set->model != set.model ||
        again.set->reached != set.reached || again.set->saved != set.saved)
        std::abort();
    if (!settings::compare(set, *again.set).isEmpty())
        std::abort();
    return 0;
}

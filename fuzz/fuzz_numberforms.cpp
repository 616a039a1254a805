// Number conversions on any text a logger or an operator may produce.
#include "link/NumberForms.h"

#include <cmath>
#include <cstdlib>

using namespace korvelan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const double v = numbers::leadingNumber(text);
    if (!std::isfinite(v))
        std::abort();
    (void)numbers::roundHalfEven(v);
    (void)numbers::toInt16(text);
    static const char* const patterns[] = {"00",    "000",         "00000", "00.00",
                                           "0.000", "######0.0##", "000.0"};
    double parsed = 0;
    const bool numeric = numbers::isNumeric(text, &parsed);
    for (const char* pattern : patterns) {
        const QString shown = numbers::format(text, QString::fromLatin1(pattern));
        // Text that is not a number passes unchanged; a number comes out as a number.
        if (!numeric && shown != text)
            std::abort();
        if (numeric && std::isfinite(parsed) && std::fabs(parsed) < 1e300 &&
            !numbers::isNumeric(shown))
            std::abort();
    }
    return 0;
}

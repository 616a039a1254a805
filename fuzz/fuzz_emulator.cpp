// The emulated logger fed any bytes at any pace: it must neither crash nor run away.
#include "sim/LoggerEmulator.h"

#include <cstdlib>

using namespace korvelan;
using namespace std::chrono;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TimePoint now{hours(1)};
    sim::LoggerEmulator logger(now, QDateTime(QDate(2025, 5, 12), QTime(10, 30)));
    logger.setMemoryCapacity(200);
    qint64 said = 0;
    // Each input byte is preceded by a gap byte: how long the line stays idle before it.
    for (size_t i = 0; i + 1 < size; i += 2) {
        now += milliseconds(data[i] % 128) * (data[i] >= 128 ? 10 : 1);
        said += logger.take(now).size();
        logger.receive(QByteArray(1, char(data[i + 1])), now);
    }
    now += seconds(5);
    said += logger.take(now).size();
    if (said > 50'000'000)
        std::abort();
    return 0;
}

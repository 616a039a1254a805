// The port settings file as whatever a disk may hold.
#include "common/PortSettingsFile.h"

#include <cstdlib>

using namespace korvelan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    // Any number the file holds is a choice the window may decline; reading it must not fail.
    const int16_t port = portsettings::lastNumber(contents);
    if (port != portsettings::lastNumber(contents))
        std::abort();
    return 0;
}

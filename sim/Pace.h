#pragma once

#include "link/Clock.h"

#include <chrono>

namespace korvelan::sim {

// How fast an emulated device puts its characters on the line.
enum class Pace {
    Instant,  // a reply arrives in one piece
    Baud9600, // one character every ten bit times, as on a real 9600,N,8,1 line
};

// Start bit, eight data bits, stop bit at 9600 baud.
inline constexpr Duration kCharTime9600 = std::chrono::nanoseconds(1'041'667);

constexpr Duration charTime(Pace pace)
{
    return pace == Pace::Baud9600 ? kCharTime9600 : Duration::zero();
}

} // namespace korvelan::sim

#include "bench/clock.h"

#include <windows.h>

namespace {

double TicksPerMs()
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1000.0;
    }();
    return ticksPerMs;
}

} // namespace

double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return MsOfCounter(now.QuadPart);
}

double MsOfCounter(long long counter)
{
    return double(counter) / TicksPerMs();
}

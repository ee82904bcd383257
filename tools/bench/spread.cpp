#include "bench/spread.h"

#include <algorithm>
#include <cmath>

Spread SpreadOf(std::vector<double> samples)
{
    Spread spread;
    spread.count = samples.size();
    if (samples.empty())
        return spread;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    spread.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    const size_t rank = size_t(std::ceil(0.95 * double(n)));
    spread.p95 = samples[rank == 0 ? 0 : rank - 1];
    spread.max = samples.back();
    spread.min = samples.front();
    return spread;
}

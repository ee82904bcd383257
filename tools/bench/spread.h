// The median, 95th percentile and maximum of a set of measurements.
#pragma once
#include <cstddef>
#include <vector>

struct Spread {
    size_t count = 0;
    double median = 0;
    double p95 = 0;  // nearest rank: the smallest value with 95 % of the measurements at or below it
    double max = 0;
    double min = 0;
};

Spread SpreadOf(std::vector<double> samples);

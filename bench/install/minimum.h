#pragma once
// The figure the benchmark compares: the least of a contender's rounds.

#include <algorithm>
#include <vector>

inline double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

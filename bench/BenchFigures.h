#pragma once

// Small measuring helpers the benchmarks share.

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace bench
{

struct Summary {
    double median = 0, p99 = 0, max = 0;
};

// The median (the mean of the middle two for an even count), the 99th percentile and the
// largest sample; all zero without samples.
inline Summary summarize(std::vector<double> samples)
{
    Summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.p99 = samples[std::size_t(0.99 * double(n - 1))];
    s.max = samples.back();
    return s;
}

// The process's resident memory in bytes.
inline long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace bench

#pragma once

// Small helpers shared by the benchmarks: a wall clock, the peak resident
// memory of the process, and the figure lines every benchmark prints.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace orvanta::bench {

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// Peak resident set size in bytes (VmHWM), 0 when it can't be read.
inline long long peakMemoryBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

// Resets the peak so that one phase can be measured on its own.
inline void resetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// One buffered write of `size` bytes to a file of their own (create, write,
// close): the baseline the file writers are measured against.
inline double rawWrite(const char* path, const char* data, size_t size)
{
    Stopwatch sw;
    std::FILE* f = std::fopen(path, "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::fprintf(stderr, "raw write to %s failed\n", path);
        std::exit(1);
    }
    return sw.seconds();
}

inline void printFigure(const char* name, double value, const char* unit)
{
    std::printf("%-44s %12.3f %s\n", name, value, unit);
}

inline void printRatio(const char* name, double ratio, double goal, bool atMost)
{
    const bool met = atMost ? ratio <= goal : ratio >= goal;
    std::printf("%-44s %12.2f   (goal %s %.2f: %s)\n", name, ratio, atMost ? "at most" : "at least", goal,
                met ? "met" : "NOT met");
}

}  // namespace orvanta::bench

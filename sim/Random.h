// A small seeded generator: the same stream on every platform, so --seed reproduces a run.
#pragma once

#include <cstdint>

namespace tvxsim {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    // splitmix64: tiny, and good enough that neighbouring seeds give unrelated streams.
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi].
    long between(long lo, long hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<long>(next() % span);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    bool chance(double probability) { return unit() < probability; }

private:
    std::uint64_t state_;
};

} // namespace tvxsim

// The random choices of the test generators, drawn from one seeded engine so that a seed gives
// the same input on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace trelk::testing {

class Dice {
public:
    explicit Dice(uint64_t seed) : rng_(seed) {}
    size_t upTo(size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng_); }  // 0..n
    size_t between(size_t least, size_t most) { return least + upTo(most - least); }
    bool chance(int percent) { return upTo(99) < static_cast<size_t>(percent); }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[upTo(from.size() - 1)];
    }
    std::mt19937_64& engine() { return rng_; }

private:
    std::mt19937_64 rng_;
};

}  // namespace trelk::testing

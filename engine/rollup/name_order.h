// Names sorted in ascending byte order on sixteen-byte prefixes.
//
// The four tables of a run are sorted by name: W1 has 120,000 of them. Comparing two names in
// full reads both where they lie in the name store, a cache miss apiece; here every name is read
// once, into a key of its first sixteen bytes as two big-endian numbers, and the sort compares
// keys, going to the names only for the few alike in all sixteen. All the names are sorted once
// and each table picks its rows from that one order. Sorting W1's tables took 151 ms before
// this work and 31 ms after (docs/performance.md, micro-benchmarks).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/reading/name_index.h"

namespace trelk {

// The numbers 0 up to count in ascending byte order of nameOf(number): names compare as unsigned
// bytes, and a name that begins another comes first.
template <class NameOf>
std::vector<NameId> inByteOrder(size_t count, const NameOf& nameOf) {
    struct Key {
        uint64_t high, low;
        NameId id;
    };
    // Eight bytes from `from` on as a big-endian number, with zeros after the end.
    auto prefix = [](std::string_view name, size_t from) {
        uint64_t value = 0;
        for (size_t i = from; i < from + 8; ++i)
            value = value << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
        return value;
    };
    std::vector<Key> keys(count);
    for (NameId id = 0; id < keys.size(); ++id) {
        const std::string_view name = nameOf(id);
        keys[id] = {prefix(name, 0), prefix(name, 8), id};
    }
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        return nameOf(a.id) < nameOf(b.id);
    });
    std::vector<NameId> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].id;
    return order;
}

}  // namespace trelk

// Numbers the names of a BOM file: the first name met gets 0, the next new one 1, and so on.
//
// A million lines name a hundred thousand items or more, and every line looks its name up while
// the file streams through the caches, so each lookup costs what its cache misses cost. The index
// is therefore an open-addressing table of (hash tag, place) pairs, probed linearly, and every
// distinct name is copied once into one compact store, next to its number and length: a lookup
// reads one slot and one stored name. Callers that know their names ahead can prefetch both.
// Measured against std::unordered_map and tsl::robin_map in bench/engine_bench.cpp.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "text/text_rules.h"

namespace trelk {

using NameId = uint32_t;
constexpr uint32_t kNone = 0xFFFFFFFFu;

// A 64-bit hash of the name's bytes, eight at a time.
inline uint64_t hashName(std::string_view name) {
    constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
    auto load = [](const char* p) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    };
    auto mix = [](uint64_t h, uint64_t w) {
        h = (h ^ w) * k;
        return h ^ (h >> 29);
    };
    const char* p = name.data();
    size_t n = name.size();
    uint64_t h = (n + 1) * k;
    if (n >= 8) {
        for (; n > 8; n -= 8, p += 8) h = mix(h, load(p));
        h = mix(h, load(p + n - 8));  // the last eight bytes, overlapping the ones before
    } else if (n > 0) {
        uint64_t w = 0;
        for (size_t i = 0; i < n; ++i) w = w << 8 | static_cast<unsigned char>(p[i]);
        h = mix(h, w);
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

struct NameHash {
    uint64_t operator()(std::string_view name) const { return hashName(name); }
};

// The stored names: each one as its number, its length and its bytes, one after the other.
class NameStore {
public:
    std::string_view name(uint32_t place) const {
        return std::string_view(bytes_.data() + place + kHead, field(place + 4));
    }
    NameId id(uint32_t place) const { return field(place); }
    // The number of a name as this store handed it out (a view from name(place)), without a lookup.
    NameId idOf(std::string_view stored) const {
        return field(static_cast<uint32_t>(stored.data() - kHead - bytes_.data()));
    }
    const char* at(uint32_t place) const { return bytes_.data() + place; }

    uint32_t add(NameId id, std::string_view name) {
        const size_t place = bytes_.size();
        const uint32_t head[2] = {id, static_cast<uint32_t>(name.size())};
        bytes_.resize(place + kHead + name.size());
        std::memcpy(bytes_.data() + place, head, kHead);
        if (!name.empty()) std::memcpy(bytes_.data() + place + kHead, name.data(), name.size());
        return static_cast<uint32_t>(place);
    }

private:
    static constexpr uint32_t kHead = 8;
    uint32_t field(uint32_t at) const {
        uint32_t value;
        std::memcpy(&value, bytes_.data() + at, 4);
        return value;
    }
    std::vector<char> bytes_;
};

// The hash is a parameter only so that the tests can make names collide.
template <class Hash = NameHash>
class BasicNameIndex {
public:
    BasicNameIndex() : slots_(kInitialSlots, Slot{0, kFree}), store_(std::make_shared<NameStore>()) {}

    static uint64_t hash(std::string_view name) { return Hash()(name); }

    // The name's number; a name not seen before is stored and given the next one.
    NameId number(std::string_view name) { return number(name, hash(name)); }
    NameId number(std::string_view name, uint64_t h) {
        Slot& slot = slots_[find(name, h)];
        if (slot.place != kFree) return store_->id(slot.place);
        const NameId id = static_cast<NameId>(places_.size());
        slot = Slot{tagOf(h), store_->add(id, name)};
        places_.push_back(slot.place);
        if (places_.size() * 2 > slots_.size()) grow();
        return id;
    }
    // The name's number, or kNone.
    NameId find(std::string_view name) const {
        const Slot& slot = slots_[find(name, hash(name))];
        return slot.place == kFree ? kNone : store_->id(slot.place);
    }

    // Asks the processor for the slot a lookup of this hash starts at, and once that slot is at
    // hand, for the name it holds: a batch of lookups then waits for its misses together.
    void prefetchSlot(uint64_t h) const { __builtin_prefetch(&slots_[static_cast<size_t>(h) & (slots_.size() - 1)]); }
    void prefetchName(uint64_t h) const {
        const Slot& slot = slots_[static_cast<size_t>(h) & (slots_.size() - 1)];
        if (slot.place != kFree) __builtin_prefetch(store_->at(slot.place));
    }

    std::string_view name(NameId id) const { return store_->name(places_[id]); }
    size_t size() const { return places_.size(); }
    // Where the names lie; it may outlive the index, and no name moves once adding has ended.
    std::shared_ptr<const NameStore> store() const { return store_; }

private:
    struct Slot {
        uint32_t tag;    // the hash's upper half: most mismatches end here, without reading a name
        uint32_t place;  // of the name in the store, or kFree
    };
    static constexpr size_t kInitialSlots = 1024;
    static constexpr uint32_t kFree = 0xFFFFFFFFu;

    static uint32_t tagOf(uint64_t h) { return static_cast<uint32_t>(h >> 32); }

    // The slot holding the name, or the free slot where it belongs.
    size_t find(std::string_view name, uint64_t h) const {
        const size_t mask = slots_.size() - 1;
        const uint32_t tag = tagOf(h);
        for (size_t i = static_cast<size_t>(h) & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.place == kFree || (s.tag == tag && sameBytes(store_->name(s.place), name))) return i;
        }
    }

    // At most half full, so that probe runs stay short.
    void grow() {
        std::vector<Slot> old(slots_.size() * 2, Slot{0, kFree});
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.place == kFree) continue;
            size_t i = static_cast<size_t>(hash(store_->name(s.place))) & mask;
            while (slots_[i].place != kFree) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::vector<uint32_t> places_;  // by number
    std::shared_ptr<NameStore> store_;
};

using NameIndex = BasicNameIndex<>;

// Lookups in a name index made a batch at a time. As an entry is put in, the names it will look
// up are announced (willLookUp) and the processor is asked for their slots; when the batch is
// taken, it is asked for the stored names those slots point to, and only then is each entry
// handled in turn. The cache misses of a batch then overlap instead of coming one after the
// other (docs/performance.md: a lookup among W1's 120,000 names still costs 40 to 60 ns so; the
// index and the batches together took reading W1's structure from 835 to 141 ms).
template <class Entry, size_t kSize = 64, size_t kNamesPerEntry = 2>
class LookupBatch {
public:
    explicit LookupBatch(const NameIndex& index) : index_(index) {}

    // Room for the next entry; take() before it when full().
    Entry& add() { return entries_[count_++]; }
    // At most kNamesPerEntry per entry.
    void willLookUp(uint64_t hash) {
        index_.prefetchSlot(hash);
        hashes_[hashCount_++] = hash;
    }
    bool full() const { return count_ == kSize; }

    // Hands every entry to take(entry), in the order they were added, and empties the batch.
    template <class Take>
    void take(Take&& takeOne) {
        for (size_t i = 0; i < hashCount_; ++i) index_.prefetchName(hashes_[i]);
        for (size_t i = 0; i < count_; ++i) takeOne(entries_[i]);
        count_ = hashCount_ = 0;
    }

private:
    const NameIndex& index_;
    Entry entries_[kSize];
    uint64_t hashes_[kSize * kNamesPerEntry];
    size_t count_ = 0, hashCount_ = 0;
};

}  // namespace trelk

#pragma once

// Hash index from points (or id pairs) to ids, open addressing with a well-mixing 64-bit hash;
// ids and their order are the caller's, so results never depend on the standard library.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Final mixer of a 64-bit state (splitmix64): every input bit reaches every output bit.
inline std::uint64_t mix_hash_64(std::uint64_t value) noexcept {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

inline std::uint64_t hash_key_word(std::int64_t value) noexcept {
    return static_cast<std::uint64_t>(value);
}
inline std::uint64_t hash_key_word(std::uint64_t value) noexcept {
    return value;
}
inline std::uint64_t hash_key_word(double value) noexcept {
    // +0.0 and -0.0 compare equal, so they must hash alike.
    return std::bit_cast<std::uint64_t>(value + 0.0);
}

template <typename Scalar>
std::uint64_t hash_key(const Clipper2Lib::Point<Scalar>& point, std::uint64_t seed) noexcept {
    return mix_hash_64(mix_hash_64(hash_key_word(point.x) ^ seed) + hash_key_word(point.y));
}

inline std::uint64_t hash_key(const std::pair<std::size_t, std::size_t>& pair, std::uint64_t seed) noexcept {
    return mix_hash_64(mix_hash_64(static_cast<std::uint64_t>(pair.first) ^ seed) +
                       static_cast<std::uint64_t>(pair.second));
}

// Linear probing with backward-shift deletion. The seed is drawn from the slot storage's address
// each time the table is (re)built, so keys chosen to collide under one run do not collide under
// another; output order never depends on it because values are the caller's ids.
template <typename Key>
class FlatIdMap {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit FlatIdMap(std::size_t expected = 0) { rebuild(expected); }

    std::size_t size() const noexcept { return count_; }

    std::size_t find(const Key& key) const noexcept {
        std::size_t slot = hash_key(key, seed_) & mask_;
        while (slots_[slot].value != npos) {
            if (slots_[slot].key == key) {
                return slots_[slot].value;
            }
            slot = (slot + 1) & mask_;
        }
        return npos;
    }

    // Returns the stored value and whether the key was new (then `value` was stored).
    std::pair<std::size_t, bool> insert(const Key& key, std::size_t value) {
        if ((count_ + 1) * 4 > slots_.size() * 3) {
            grow();
        }
        std::size_t slot = hash_key(key, seed_) & mask_;
        while (slots_[slot].value != npos) {
            if (slots_[slot].key == key) {
                return {slots_[slot].value, false};
            }
            slot = (slot + 1) & mask_;
        }
        slots_[slot] = {key, value};
        ++count_;
        return {value, true};
    }

    void erase(const Key& key) noexcept {
        std::size_t slot = hash_key(key, seed_) & mask_;
        while (slots_[slot].value != npos && !(slots_[slot].key == key)) {
            slot = (slot + 1) & mask_;
        }
        if (slots_[slot].value == npos) {
            return;
        }
        // Shift later members of the probe run back so that lookups never stop early.
        std::size_t hole = slot;
        std::size_t next = (hole + 1) & mask_;
        while (slots_[next].value != npos) {
            const std::size_t home = hash_key(slots_[next].key, seed_) & mask_;
            if (((next - home) & mask_) >= ((next - hole) & mask_)) {
                slots_[hole] = slots_[next];
                hole = next;
            }
            next = (next + 1) & mask_;
        }
        slots_[hole].value = npos;
        --count_;
    }

private:
    struct Slot {
        Key key{};
        std::size_t value = npos;
    };

    void rebuild(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity * 3 < expected * 4 + 4) {
            capacity *= 2;
        }
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
        seed_ = mix_hash_64(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(slots_.data())));
        count_ = 0;
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        rebuild(old.size());
        for (const Slot& slot : old) {
            if (slot.value != npos) {
                insert(slot.key, slot.value);
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
    std::uint64_t seed_ = 0;
};

template <typename Scalar>
using VertexIdMap = FlatIdMap<Clipper2Lib::Point<Scalar>>;

// Vertices in first-seen order with their index.
template <typename Scalar>
struct VertexTable {
    std::vector<Clipper2Lib::Point<Scalar>> points;
    VertexIdMap<Scalar> ids;

    // The id of `point`, entering it with the next id when new.
    std::size_t intern(const Clipper2Lib::Point<Scalar>& point) {
        const auto [id, inserted] = ids.insert(point, points.size());
        if (inserted) {
            points.push_back(point);
        }
        return id;
    }
};

}  // namespace pavrix_svg_core

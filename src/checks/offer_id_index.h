// The offer ids seen so far, kept compactly (one arena of texts and an open-addressing table of
// positions), so that a million products cost some tens of megabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

class COfferIdIndex {
  public:
    // The key of an offer id: trimmed, ASCII letters in lower case, as offer ids are compared.
    static std::string Key(std::string_view offerId);

    // Adds key for the product at row unless it is already there; gives the row that first had it, or 0
    // when it is new.
    std::size_t AddOrFind(std::string_view key, std::size_t row);
    // Makes room for count keys at once, so that filling the index never rebuilds it.
    void Reserve(std::size_t count);
    std::size_t Size() const { return m_entries.size(); }

  private:
    struct Entry {
        std::uint64_t offset;
        std::uint32_t length;
        std::uint32_t row;
    };
    void Grow(std::size_t minSlots = 0);
    std::size_t SlotFor(std::string_view key, std::uint64_t hash) const;

    std::string m_arena;
    std::vector<Entry> m_entries;
    // Side by side, so that a probe touches one cache line for both.
    struct Slot {
        std::uint32_t entry;  // entry index + 1; 0 is free
        std::uint32_t hash;   // low bits of the key's hash, to skip most comparisons
    };
    std::vector<Slot> m_slots;
};

}  // namespace yarvelin

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
    std::size_t AddOrFind(std::string_view key, std::size_t row) { return Add(key, row).firstRow; }
    // The same, with the key's number: 0, 1, 2, ... in the order the keys were first added.
    struct Added {
        std::size_t firstRow;
        std::uint32_t id;
    };
    Added Add(std::string_view key, std::size_t row);
    // Starts fetching the part of the table key is looked up in, so that the lookup a little later does not
    // wait for memory: with a million keys nearly every lookup would.
    void Prefetch(std::string_view key) const;
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

// The valid UPCs seen so far, by number: a UPC with a right check digit is all digits (at most 14), and
// leading zeros do not make another UPC, so its number is its key and no text is kept. With each, the first
// product that carried it and the offer ids that have carried it.
class CUpcIndex {
  public:
    struct Seen {
        std::size_t firstRow;  // the row that first had the UPC, or 0 when it is new
        bool newOfferId;       // no product before had this UPC with this offer id
    };
    // The product at row carries upc under the offer id numbered offerId (kNoOfferId when it has none).
    Seen Add(std::uint64_t upc, std::uint32_t offerId, std::size_t row);
    void Prefetch(std::uint64_t upc) const;  // as COfferIdIndex::Prefetch
    static constexpr std::uint32_t kNoOfferId = 0xFFFFFFFF;

  private:
    struct Entry {
        std::uint64_t upc;
        std::uint32_t row;
        std::uint32_t offerId;  // the first product's
    };
    void Grow();
    // Whether the pair was new; only UPCs carried under a second offer id come here, so it stays small.
    bool AddPair(std::uint64_t pair);

    struct Slot {
        std::uint32_t entry;  // entry index + 1; 0 is free
        std::uint32_t hash;   // low bits of the UPC's hash, to skip most entries
    };
    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;
    std::vector<std::uint64_t> m_pairs;  // (entry index, offer id) + 1; 0 is free
    std::size_t m_pairCount = 0;
};

}  // namespace yarvelin

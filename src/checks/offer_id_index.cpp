#include "checks/offer_id_index.h"

#include <algorithm>
#include <limits>

#include "records/text_util.h"

namespace yarvelin {

namespace {
// FNV-1a: short keys, good enough spread for an open-addressing table.
std::uint64_t Hash(std::string_view key) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : key) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h ^ (h >> 29);
}

// Spreads a number over all bits (the finaliser of MurmurHash3), so that consecutive UPCs land apart.
std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    return x ^ (x >> 33);
}

std::uint32_t ClampedRow(std::size_t row) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(row, std::numeric_limits<std::uint32_t>::max()));
}
}  // namespace

std::string COfferIdIndex::Key(std::string_view offerId) {
    return ToLowerAscii(TrimmedView(offerId));
}

std::size_t COfferIdIndex::SlotFor(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    const auto low = static_cast<std::uint32_t>(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.entry == 0) {
            return i;
        }
        if (slot.hash != low) {
            continue;
        }
        const Entry& entry = m_entries[slot.entry - 1];
        if (std::string_view(m_arena).substr(entry.offset, entry.length) == key) {
            return i;
        }
    }
}

void COfferIdIndex::Grow(std::size_t minSlots) {
    std::size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
    while (size < minSlots) {
        size *= 2;
    }
    std::vector<Slot> slots(size, Slot{0, 0});
    // A slot is found from the hash's low bits, which the old slot keeps: nothing is hashed again.
    const std::size_t mask = size - 1;
    for (const Slot& old : m_slots) {
        if (old.entry == 0) {
            continue;
        }
        std::size_t i = old.hash & mask;
        while (slots[i].entry != 0) {
            i = (i + 1) & mask;
        }
        slots[i] = old;
    }
    m_slots.swap(slots);
}

void COfferIdIndex::Reserve(std::size_t count) {
    m_entries.reserve(count);
    if (count * 2 > m_slots.size()) {
        Grow(count * 2);
    }
}

COfferIdIndex::Added COfferIdIndex::Add(std::string_view key, std::size_t row) {
    // Half full at most, so probes stay short.
    if ((m_entries.size() + 1) * 2 > m_slots.size()) {
        Grow();
    }
    const std::uint64_t hash = Hash(key);
    const std::size_t i = SlotFor(key, hash);
    if (m_slots[i].entry != 0) {
        return {m_entries[m_slots[i].entry - 1].row, m_slots[i].entry - 1};
    }
    m_entries.push_back({m_arena.size(), static_cast<std::uint32_t>(key.size()), ClampedRow(row)});
    m_arena.append(key);
    m_slots[i] = Slot{static_cast<std::uint32_t>(m_entries.size()), static_cast<std::uint32_t>(hash)};
    return {0, m_slots[i].entry - 1};
}

void COfferIdIndex::Prefetch(std::string_view key) const {
    if (!m_slots.empty()) {
        __builtin_prefetch(&m_slots[Hash(key) & (m_slots.size() - 1)]);
    }
}

void CUpcIndex::Prefetch(std::uint64_t upc) const {
    if (!m_slots.empty()) {
        __builtin_prefetch(&m_slots[Mix(upc) & (m_slots.size() - 1)]);
    }
}

CUpcIndex::Seen CUpcIndex::Add(std::uint64_t upc, std::uint32_t offerId, std::size_t row) {
    if ((m_entries.size() + 1) * 2 > m_slots.size()) {
        Grow();
    }
    const std::uint64_t hash = Mix(upc);
    const auto low = static_cast<std::uint32_t>(hash);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = hash & mask;
    for (; m_slots[i].entry != 0; i = (i + 1) & mask) {
        if (m_slots[i].hash != low) {
            continue;
        }
        const Entry& entry = m_entries[m_slots[i].entry - 1];
        if (entry.upc == upc) {
            const bool newOfferId =
                entry.offerId != offerId &&
                AddPair((static_cast<std::uint64_t>(m_slots[i].entry - 1) << 32 | offerId) + 1);
            return {entry.row, newOfferId};
        }
    }
    m_entries.push_back({upc, ClampedRow(row), offerId});
    m_slots[i] = Slot{static_cast<std::uint32_t>(m_entries.size()), low};
    return {0, true};
}

void CUpcIndex::Grow() {
    const std::size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
    std::vector<Slot> slots(size, Slot{0, 0});
    // The slot keeps the hash's low bits, which are all a table of this size looks at.
    const std::size_t mask = size - 1;
    for (const Slot& old : m_slots) {
        if (old.entry == 0) {
            continue;
        }
        std::size_t i = old.hash & mask;
        while (slots[i].entry != 0) {
            i = (i + 1) & mask;
        }
        slots[i] = old;
    }
    m_slots.swap(slots);
}

bool CUpcIndex::AddPair(std::uint64_t pair) {
    if ((m_pairCount + 1) * 2 > m_pairs.size()) {
        std::vector<std::uint64_t> pairs(m_pairs.empty() ? 64 : m_pairs.size() * 2, 0);
        for (const std::uint64_t old : m_pairs) {
            if (old != 0) {
                std::size_t i = Mix(old) & (pairs.size() - 1);
                while (pairs[i] != 0) {
                    i = (i + 1) & (pairs.size() - 1);
                }
                pairs[i] = old;
            }
        }
        m_pairs.swap(pairs);
    }
    const std::size_t mask = m_pairs.size() - 1;
    std::size_t i = Mix(pair) & mask;
    for (; m_pairs[i] != 0; i = (i + 1) & mask) {
        if (m_pairs[i] == pair) {
            return false;
        }
    }
    m_pairs[i] = pair;
    ++m_pairCount;
    return true;
}

}  // namespace yarvelin

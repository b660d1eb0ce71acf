#include "checks/offer_id_index.h"

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
    const std::size_t mask = size - 1;
    for (std::size_t n = 0; n < m_entries.size(); ++n) {
        const Entry& entry = m_entries[n];
        const std::uint64_t hash = Hash(std::string_view(m_arena).substr(entry.offset, entry.length));
        std::size_t i = hash & mask;
        while (slots[i].entry != 0) {
            i = (i + 1) & mask;
        }
        slots[i] = Slot{static_cast<std::uint32_t>(n + 1), static_cast<std::uint32_t>(hash)};
    }
    m_slots.swap(slots);
}

void COfferIdIndex::Reserve(std::size_t count) {
    m_entries.reserve(count);
    if (count * 2 > m_slots.size()) {
        Grow(count * 2);
    }
}

std::size_t COfferIdIndex::AddOrFind(std::string_view key, std::size_t row) {
    // Half full at most, so probes stay short.
    if ((m_entries.size() + 1) * 2 > m_slots.size()) {
        Grow();
    }
    const std::uint64_t hash = Hash(key);
    const std::size_t i = SlotFor(key, hash);
    if (m_slots[i].entry != 0) {
        return m_entries[m_slots[i].entry - 1].row;
    }
    const auto clampedRow = static_cast<std::uint32_t>(
        row > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max() : row);
    m_entries.push_back({m_arena.size(), static_cast<std::uint32_t>(key.size()), clampedRow});
    m_arena.append(key);
    m_slots[i] = Slot{static_cast<std::uint32_t>(m_entries.size()), static_cast<std::uint32_t>(hash)};
    return 0;
}

}  // namespace yarvelin

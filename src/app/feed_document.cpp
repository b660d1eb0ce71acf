#include "app/feed_document.h"

#include <algorithm>
#include <utility>

#include "records/text_util.h"

namespace yarvelin {

std::uint64_t CFeedDocument::OfferIdHash(std::string_view offerId) {
    // FNV-1a over the letters in upper case, as offer ids are compared.
    std::uint64_t h = 1469598103934665603ull;
    for (char c : offerId) {
        h ^= static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        h *= 1099511628211ull;
    }
    return h;
}

void CFeedDocument::NoteOfferId(std::size_t position, bool add) {
    if (!m_offerIdsKnown) {
        return;
    }
    const std::uint64_t hash = OfferIdHash(m_records[position].Field(kColOfferId));
    OfferIdSlot& slot = m_offerIds[hash];
    if (add) {
        ++slot.count;
        slot.positionSum += position;
    } else if (--slot.count == 0) {
        m_offerIds.erase(hash);
    } else {
        slot.positionSum -= position;
    }
}

void CFeedDocument::AddOrReplaceRecord(const COtherRecord& record, std::optional<std::size_t> position) {
    if (position && *position < m_records.size()) {
        NoteOfferId(*position, false);
        m_records[*position].AssignFrom(record);
        NoteOfferId(*position, true);
    } else {
        m_records.push_back(record);
        NoteOfferId(m_records.size() - 1, true);
    }
    MarkChanged();
}

void CFeedDocument::AppendLoadedRecord(COtherRecord&& record) {
    m_records.push_back(std::move(record));
    NoteOfferId(m_records.size() - 1, true);
}

void CFeedDocument::AppendLoadedRecords(RecordList&& records) {
    if (m_records.empty()) {
        m_records = std::move(records);
        if (m_offerIdsKnown) {
            for (std::size_t i = 0; i < m_records.size(); ++i) {
                NoteOfferId(i, true);
            }
        }
    } else {
        for (COtherRecord& record : records) {
            AppendLoadedRecord(std::move(record));
        }
    }
    records.clear();
}

bool CFeedDocument::IsOfferIdTaken(const std::string& offerId,
                                   std::optional<std::size_t> skipPosition) const {
    if (!m_offerIdsKnown) {
        m_offerIds.clear();
        m_offerIds.reserve(m_records.size());
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            OfferIdSlot& slot = m_offerIds[OfferIdHash(m_records[i].Field(kColOfferId))];
            ++slot.count;
            slot.positionSum += i;
        }
        m_offerIdsKnown = true;
    }
    const auto found = m_offerIds.find(OfferIdHash(offerId));
    if (found == m_offerIds.end()) {
        return false;
    }
    const auto isTaken = [&](std::size_t i) {
        return !(skipPosition && *skipPosition == i) &&
               EqualsNoCase(m_records[i].Field(kColOfferId), offerId);
    };
    if (found->second.count == 1) {
        return isTaken(found->second.positionSum);
    }
    // Two or more records share the hash (most often the same id twice): look at each.
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (isTaken(i)) {
            return true;
        }
    }
    return false;
}

std::size_t CFeedDocument::RemoveMarkedRecords() {
    const auto before = m_records.size();
    m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                                   [](const COtherRecord& r) { return r.removal_mark; }),
                    m_records.end());
    const std::size_t removed = before - m_records.size();
    if (removed > 0) {
        MarkChanged();
        m_offerIdsKnown = false;
    }
    return removed;
}

void CFeedDocument::RemoveAllRecords() {
    if (!m_records.empty()) {
        m_records.clear();
        MarkChanged();
        m_offerIdsKnown = false;
    }
}

CFeedDocument::RecordList CFeedDocument::TakeAllRecords() {
    RecordList taken;
    taken.swap(m_records);
    if (!taken.empty()) {
        MarkChanged();
        m_offerIdsKnown = false;
    }
    return taken;
}

void CFeedDocument::RestoreRecords(std::vector<std::pair<std::size_t, COtherRecord>>&& records) {
    if (records.empty()) {
        return;
    }
    RecordList merged;
    std::size_t next = 0;
    for (auto& [position, record] : records) {
        while (merged.size() < position && next < m_records.size()) {
            merged.push_back(std::move(m_records[next++]));
        }
        merged.push_back(std::move(record));
    }
    while (next < m_records.size()) {
        merged.push_back(std::move(m_records[next++]));
    }
    m_records = std::move(merged);
    m_offerIdsKnown = false;  // positions have moved
    MarkChanged();
}

void CFeedDocument::NoteEditorClosed(bool stored) {
    if (stored) {
        MarkChanged();
    }
}

void CFeedDocument::StartNewFeed() {
    m_records.clear();
    ++m_nEditCount;
    m_offerIdsKnown = false;
    m_bChanged = false;
    m_bDataVerified = false;
    m_strFileName.clear();
    m_strSavedFileName.clear();
    m_savedChoices.reset();
    m_headers = FeedHeaderValues{};
    ++m_nFeedSerial;
}

void CFeedDocument::NoteBackupWritten(const std::string& path) {
    m_bChanged = false;
    m_strFileName = path;
}

}  // namespace yarvelin

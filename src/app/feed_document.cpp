#include "app/feed_document.h"

#include <algorithm>

#include "records/text_util.h"

namespace yarvelin {

void CFeedDocument::AddOrReplaceRecord(const COtherRecord& record, std::optional<std::size_t> position) {
    if (position && *position < m_records.size()) {
        m_records[*position].AssignFrom(record);
    } else {
        m_records.push_back(record);
    }
    MarkChanged();
}

bool CFeedDocument::IsOfferIdTaken(const std::string& offerId,
                                   std::optional<std::size_t> skipPosition) const {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (skipPosition && *skipPosition == i) {
            continue;
        }
        if (EqualsNoCase(m_records[i].m_required.offer_id, offerId)) {
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
    }
    return removed;
}

void CFeedDocument::RemoveAllRecords() {
    if (!m_records.empty()) {
        m_records.clear();
        MarkChanged();
    }
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
    m_bChanged = false;
    m_bDataVerified = false;
    m_strFileName.clear();
    m_strSavedFileName.clear();
    m_headers = FeedHeaderValues{};
    ++m_nFeedSerial;
}

void CFeedDocument::NoteBackupWritten(const std::string& path) {
    m_bChanged = false;
    m_strFileName = path;
}

}  // namespace yarvelin

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
    m_bChanged = true;
}

bool CFeedDocument::IsOfferIdTaken(const std::string& offerId,
                                   std::optional<std::size_t> skipPosition) const {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (skipPosition && *skipPosition == i) {
            continue;
        }
        if (EqualsNoCase(m_records[i].Field(kColOfferId), offerId)) {
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
        m_bChanged = true;
    }
    return removed;
}

void CFeedDocument::RemoveAllRecords() {
    if (!m_records.empty()) {
        m_records.clear();
        m_bChanged = true;
    }
}

void CFeedDocument::NoteEditorClosed(bool stored) {
    if (stored) {
        m_bChanged = true;
    }
}

void CFeedDocument::StartNewFeed() {
    m_records.clear();
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

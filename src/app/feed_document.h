// The open feed: its products and what is known about the file they came from or go to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument {
  public:
    using RecordList = std::vector<std::unique_ptr<COtherRecord>>;

    // Stores a copy of the record: at an existing position the stored record takes over the texts and
    // check flags (its removal mark stays); without a position a new record is appended. The feed is
    // changed.
    void AddOrReplaceRecord(const COtherRecord& record, std::optional<std::size_t> position = std::nullopt);

    // True when a record other than the one at skipPosition has this offer id, letter case ignored.
    bool IsOfferIdTaken(const std::string& offerId,
                        std::optional<std::size_t> skipPosition = std::nullopt) const;

    // Takes out and destroys every record whose removal mark is set; returns how many went. The feed is
    // changed when one went.
    std::size_t RemoveMarkedRecords();
    // The feed is changed when it held a record.
    void RemoveAllRecords();

    // Whether the feed holds edits that are not in its file yet. Edits made in place on a record (the
    // text check, the delete mark) say so with MarkChanged; writing the feed to its file clears it.
    bool IsChanged() const { return m_bChanged; }
    void MarkChanged() { m_bChanged = true; }
    void MarkSaved() { m_bChanged = false; }

    // Opening or creating a feed: everything that belonged to the previous one goes (its products, the
    // changed and checked flags, its name, the file generated from it and its header values, which would
    // otherwise be written into a feed that never had them). The column set and the account are the
    // user's and stay.
    void StartNewFeed();

    std::size_t Count() const { return m_records.size(); }
    COtherRecord& At(std::size_t i) { return *m_records[i]; }
    const COtherRecord& At(std::size_t i) const { return *m_records[i]; }

    RecordList m_records;
    bool m_bDataVerified = false;
    std::string m_strHtmlEscaped;
    std::string m_strUpdatesOnly;
    std::string m_strProductType;
    std::string m_strQuoted;
    bool m_bBasicFormat = false;
    std::string m_strFileName;
    std::string m_strSavedFileName;
    std::string m_strAccount;
    // Counts StartNewFeed calls, so that pages can tell that what they show belongs to an earlier feed.
    std::uint64_t m_nFeedSerial = 0;

  private:
    bool m_bChanged = false;
};

}  // namespace yarvelin

// The open feed: its products and what is known about the file they came from or go to. Everything is
// changed through the operations below, so that the changed flag and the file names mean the same for the
// wizard, yarvelin-feed and unattended runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "feed/feed_line_format.h"
#include "records/other_record.h"

namespace yarvelin {

// The extended-format header values the open feed was read with (empty: its file did not give one).
struct FeedHeaderValues {
    std::string htmlEscaped;
    std::string updatesOnly;
    std::string productType;
    std::string quoted;
};

class CFeedDocument {
  public:
    // A deque: a large feed grows without ever holding its products twice while it is read.
    using RecordList = std::deque<COtherRecord>;

    // Stores a copy of the record: at an existing position the stored record takes over the texts and
    // check flags (its removal mark stays); without a position a new record is appended. The feed is
    // changed.
    void AddOrReplaceRecord(const COtherRecord& record, std::optional<std::size_t> position = std::nullopt);
    // A product read from the feed's own file: appended, the feed is not changed by it.
    void AppendLoadedRecord(COtherRecord&& record);
    // The same for a whole read at once; an empty feed takes the list over without moving a record.
    void AppendLoadedRecords(RecordList&& records);

    // True when a record other than the one at skipPosition has this offer id, letter case ignored. The
    // product editor asks on every store: a lookup, not a walk over the feed, once the offer ids are
    // known.
    bool IsOfferIdTaken(const std::string& offerId,
                        std::optional<std::size_t> skipPosition = std::nullopt) const;

    // Takes out and destroys every record whose removal mark is set; returns how many went. The feed is
    // changed when one went.
    std::size_t RemoveMarkedRecords();
    // The feed is changed when it held a record.
    void RemoveAllRecords();
    // The same, handing the records over (for an undo) instead of destroying them.
    RecordList TakeAllRecords();
    // Puts records back where they were before a removal. Each pair is a position in the restored list and
    // its record, in ascending position order; the records between them keep their order. The feed is
    // changed. Linear in the size of the feed however many come back.
    void RestoreRecords(std::vector<std::pair<std::size_t, COtherRecord>>&& records);

    // Whether the feed holds edits that are not in its file yet. Edits made in place on a record (the
    // text check, the delete mark) say so with MarkChanged; writing the feed to its file clears it.
    bool IsChanged() const { return m_bChanged; }
    void MarkChanged() {
        m_bChanged = true;
        ++m_nEditCount;
    }
    void MarkSaved() { m_bChanged = false; }
    // The product editor closed: only a stored product changes the feed, a cancelled one leaves it as it
    // was.
    void NoteEditorClosed(bool stored);

    // Opening or creating a feed: everything that belonged to the previous one goes (its products, the
    // changed and checked flags, its name, the file generated from it and its header values, which would
    // otherwise be written into a feed that never had them). The column set and the account are the
    // user's and stay.
    void StartNewFeed();
    // The whole of the file at path is in: the feed is named after it.
    void NoteLoadedFrom(const std::string& path) { m_strFileName = path; }
    // The feed was written to the file the service gets with these header choices (or the user picked such
    // a file to upload, and its choices are its own): that file is what an upload sends. The feed itself
    // keeps its name and its changed flag.
    void NoteFeedFileWritten(const std::string& path,
                             std::optional<FeedHeaderChoices> choices = std::nullopt) {
        m_strSavedFileName = path;
        m_savedChoices = choices;
    }
    // The feed was written as a backup: that file is now the feed's own, and holds every edit.
    void NoteBackupWritten(const std::string& path);

    std::size_t Count() const { return m_records.size(); }
    // A record to change in place: the offer ids are learnt again when next asked for.
    COtherRecord& At(std::size_t i) {
        m_offerIdsKnown = false;
        return m_records[i];
    }
    const COtherRecord& At(std::size_t i) const { return m_records[i]; }
    const RecordList& Records() const { return m_records; }

    const FeedHeaderValues& Headers() const { return m_headers; }
    void SetHeaders(FeedHeaderValues headers) { m_headers = std::move(headers); }
    // The text check escaped characters or kept TABs and quotes: the file must say so when written.
    void NoteHtmlEscaped() { m_headers.htmlEscaped = "YES"; }
    void NoteQuoted() { m_headers.quoted = "YES"; }

    bool IsBasicFormat() const { return m_bBasicFormat; }
    void SetBasicFormat(bool basic) { m_bBasicFormat = basic; }
    bool IsDataVerified() const { return m_bDataVerified; }
    void SetDataVerified(bool verified) { m_bDataVerified = verified; }
    // The file the feed was read from or last backed up to; empty for a new feed.
    const std::string& FileName() const { return m_strFileName; }
    // The file last generated from the feed for the service; empty until one was.
    const std::string& SavedFileName() const { return m_strSavedFileName; }
    // The header choices SavedFileName() was written with; none when the user picked that file.
    const std::optional<FeedHeaderChoices>& SavedHeaderChoices() const { return m_savedChoices; }
    const std::string& Account() const { return m_strAccount; }
    void SetAccount(std::string account) { m_strAccount = std::move(account); }
    // Counts StartNewFeed calls, so that pages can tell that what they show belongs to an earlier feed.
    std::uint64_t FeedSerial() const { return m_nFeedSerial; }
    // Counts the operations that changed products since the program started, so that an undo can tell
    // that nothing else has changed the products since the step it would take back.
    std::uint64_t EditCount() const { return m_nEditCount; }

  private:
    // The offer ids by a hash of their upper-case form: how many records have the hash, and the sum of
    // their positions, which is the position itself when only one has it.
    struct OfferIdSlot {
        std::size_t count = 0;
        std::size_t positionSum = 0;
    };
    static std::uint64_t OfferIdHash(std::string_view offerId);
    void NoteOfferId(std::size_t position, bool add);

    RecordList m_records;
    mutable std::unordered_map<std::uint64_t, OfferIdSlot> m_offerIds;
    mutable bool m_offerIdsKnown = false;
    bool m_bChanged = false;
    bool m_bDataVerified = false;
    FeedHeaderValues m_headers;
    bool m_bBasicFormat = false;
    std::string m_strFileName;
    std::string m_strSavedFileName;
    std::optional<FeedHeaderChoices> m_savedChoices;
    std::string m_strAccount;
    std::uint64_t m_nFeedSerial = 0;
    std::uint64_t m_nEditCount = 0;
};

}  // namespace yarvelin

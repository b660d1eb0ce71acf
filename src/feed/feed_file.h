// Whole feed files: loading one into the document, writing the document out, converting a file and
// streaming its products. The line format they share is feed_line_format.h; where they report is
// feed_file_observer.h.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "feed/feed_encoding.h"
#include "feed/feed_file_observer.h"
#include "feed/feed_line_format.h"
#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;

// What a load did. opened: the file could be opened and its characters were accepted, so the path counts
// as used (the caller's recent list takes it). loaded: the document now holds the file's products and is
// named after it.
struct FeedLoadResult {
    bool opened = false;
    bool loaded = false;
};

// What a feed read into doc is written with: the chosen header values, and html_escaped=YES whenever its
// texts hold HTML escapes (its file said so, or the text check escaped characters since).
FeedHeaderChoices HeaderChoicesForDocument(const FeedHeaderChoices& chosen, const CFeedDocument& doc);
// The header values the feed file at path gives (none when it gives none or cannot be read).
FeedHeaderChoices HeaderChoicesOfFile(const std::string& path);

// Reads the file at path into doc.
FeedLoadResult LoadFeedFile(CFeedDocument& doc, const std::string& path, CFeedFileObserver& observer);
// Writes the document's records to path; false (after reporting) when nothing was saved.
bool WriteFeedFile(const CFeedDocument& doc, const std::string& path, const FeedHeaderChoices& choices,
                   CFeedFileObserver& observer);

// The same counts as feed_line_format.h's, for every record the document writes, in its format.
std::size_t CountValuesWithLineBreaks(const CFeedDocument& doc);
std::size_t CountValuesWithTabs(const CFeedDocument& doc);

// How the file at path is encoded (see feed_encoding.h), with the characters of its products that
// Windows-1252 cannot hold. The readers read a UTF-8 file converted to Windows-1252.
FeedEncoding ScanFeedEncoding(const std::string& path);

// Reads in and writes out record by record, with the loader's and the writer's rules, so that converting
// a file of any size needs memory for one product only. Reports like LoadFeedFile and WriteFeedFile;
// false when out was not written (an earlier file at out stays as it was).
bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer);
// What happens to each product between reading and writing: it is changed in place, and left out when the
// transform gives false. Called for each product in every pass over the file, so it must give the same
// for the same product.
using ProductTransform = std::function<bool(COtherRecord&)>;
bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer, const ProductTransform& transform);

class CFeedFileWriter;

// Writes a feed record by record with WriteFeedFile's rules, for producers that make the records one at a
// time (an import). The target is replaced only by Commit; a writer dropped before that leaves it as it was.
class CFeedStreamWriter {
  public:
    explicit CFeedStreamWriter(CFeedFileObserver& observer);
    ~CFeedStreamWriter();
    CFeedStreamWriter(const CFeedStreamWriter&) = delete;
    CFeedStreamWriter& operator=(const CFeedStreamWriter&) = delete;

    // tabValues: how many of the values to be written hold a TAB (they decide the header block, which
    // comes first). False after reporting when the file cannot be created.
    bool Open(const std::string& path, const FeedHeaderChoices& choices, bool basicFormat,
              std::size_t tabValues);
    bool IsOpen() const { return m_open; }
    bool Add(const COtherRecord& record);
    bool Commit();

  private:
    CFeedFileObserver& m_observer;
    std::unique_ptr<CFeedFileWriter> m_writer;
    FeedHeaderChoices m_choices;
    bool m_basicFormat = false;
    bool m_open = false;
    std::size_t m_tabValues = 0;
    std::size_t m_lineBreaks = 0;
    Cp1252Guard m_guard;
};

// What a file carries before its products: the header values it gives (empty when it gives none) and the
// number of fields of its column line (0 when it has none).
struct FeedFileStart {
    std::string htmlEscaped;
    std::string updatesOnly;
    std::string productType;
    std::string quoted;
    std::size_t columnLineFields = 0;
    bool utf8 = false;  // the products are read converted from UTF-8
};

// Streams the products of a file with the loader's rules, one record at a time, without keeping any:
// onStart once the header and column lines are read, then onProduct(record, line, fields) for each product
// with its 1-based line and the number of fields its line split into. Reports like LoadFeedFile; false when
// the file could not be read to its end.
bool ReadFeedProducts(const std::string& path, CFeedFileObserver& observer,
                      const std::function<void(const FeedFileStart&)>& onStart,
                      const std::function<void(const COtherRecord&, long long, std::size_t)>& onProduct);

}  // namespace yarvelin

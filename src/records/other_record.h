// Product records: one product offer of the feed, one line of the feed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

class Record;

// What identifies a record kind: its class name, its schema number (1) and how to create an empty one.
struct RecordKind {
    std::string_view name;
    unsigned schema;
    std::unique_ptr<Record> (*create)();

    // The kind with that class name; nullptr when there is none.
    static const RecordKind* FromName(std::string_view className);
};

// Common root of the record kinds.
class Record {
  public:
    virtual ~Record() = default;
    virtual const RecordKind& Kind() const = 0;
};

struct RequiredFields {
    std::string product_url;
    std::string name;
    std::string description;
    std::string price;
    std::string image_url;
    std::string category;
    std::string offer_id;
};

struct OptionalFields {
    std::string instock;
    std::string shipping;
    std::string brand;
    std::string upc;
    std::string color;
    std::string size;
    std::string quantity;
    std::string product_id;
    std::string manufacturer_id;
    std::string exp_date;
    std::string product_type;
    std::string delete_;  // column "delete"
    std::string currency;
};

// A finding of the URL check about what one of a product's addresses serves (a picture too small, a page
// the crawler may not fetch). code is the checks' diagnostic code, kept as a number so that the records
// know nothing of the checks; column is the address's column.
struct UrlFinding {
    int code = 0;
    int column = -1;
    std::string message;
};

inline constexpr int kColumnCount = 20;

// Column numbers in file order, for Field and SetField.
enum FeedColumn : int {
    kColProductUrl = 0,
    kColName,
    kColDescription,
    kColPrice,
    kColImageUrl,
    kColCategory,
    kColOfferId,
    kColInstock,
    kColShipping,
    kColBrand,
    kColUpc,
    kColColor,
    kColSize,
    kColQuantity,
    kColProductId,
    kColManufacturerId,
    kColExpDate,
    kColProductType,
    kColDelete,
    kColCurrency
};
inline constexpr int kBasicColumnCount = 7;

// Names of the twenty feed columns in file order.
extern const char* const kColumnNames[kColumnCount];

// One product. Its twenty texts live in one block (the end offset of each column, then the bytes of all
// columns one after the other), so that a million products cost little more than their texts; a record
// whose texts are all empty holds no block.
class COtherRecord : public Record {
  public:
    static const RecordKind kKind;

    COtherRecord() = default;
    // Copies the twenty texts, the four check flags and the URL findings; the removal mark is never copied.
    COtherRecord(const COtherRecord& other);
    COtherRecord& operator=(const COtherRecord& other);
    // A move is the same record in another place: everything goes along, the removal mark too.
    COtherRecord(COtherRecord&& other) noexcept = default;
    COtherRecord& operator=(COtherRecord&& other) noexcept = default;
    ~COtherRecord() override = default;

    const RecordKind& Kind() const override { return kKind; }

    // Column k (0..19) in file order. The view lasts until this record's texts change. It is const so
    // that `Field(k) = text`, which would change nothing, does not compile: SetField changes a text.
    const std::string_view Field(int column) const;
    // text may be a view of this record's own texts.
    void SetField(int column, std::string_view text);
    // All twenty texts at once, with one allocation (the way to build a record from a line); a braced list
    // of fewer texts leaves the columns after them empty.
    void SetFields(const std::string_view (&texts)[kColumnCount]);

    // Takes over the texts, check flags and findings of another record, keeping this record's removal mark.
    void AssignFrom(const COtherRecord& other);

    bool IsInStock() const;  // instock is "Y" or "YES", any case
    bool IsMarkedDeleted() const { return !Field(kColDelete).empty(); }

    // Texts for the list page's status columns.
    const char* DataStatusText() const;
    const char* UrlStatusText() const;
    const char* DeleteStatusText() const;

    // The URL check's findings from its last request of each address; gone with the flags. Few products
    // have any, so they are kept out of the record itself.
    const std::vector<UrlFinding>& UrlFindings() const;
    void SetUrlFindings(std::vector<UrlFinding> findings);

    bool removal_mark = false;
    bool data_checked = false;
    bool urls_checked = false;
    bool product_url_ok = false;
    bool image_url_ok = false;

  private:
    const char* TextBytes() const { return reinterpret_cast<const char*>(m_texts.get() + kColumnCount); }
    std::uint32_t TextSize() const { return m_texts ? m_texts[kColumnCount - 1] : 0; }

    // kColumnCount end offsets, then the texts' bytes; nullptr when every text is empty.
    std::unique_ptr<std::uint32_t[]> m_texts;
    std::unique_ptr<std::vector<UrlFinding>> m_urlFindings;
};

// Declared record kinds; nothing in the program creates or reads them beyond their identity.
class CBookRecord : public Record {
  public:
    static const RecordKind kKind;
    const RecordKind& Kind() const override { return kKind; }

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[5];
};

class CMusicRecord : public Record {
  public:
    static const RecordKind kKind;
    const RecordKind& Kind() const override { return kKind; }

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[3];
};

class CVideoRecord : public Record {
  public:
    static const RecordKind kKind;
    const RecordKind& Kind() const override { return kKind; }

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[5];
};

}  // namespace yarvelin

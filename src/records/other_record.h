// Product records: one product offer of the feed, one line of the feed file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace yarvelin {

class CObject;

// Run-time class record: the identity a record kind carries, and its factory.
struct CRuntimeClass {
    const char* m_lpszClassName;
    std::size_t m_nObjectSize;
    unsigned int m_wSchema;
    std::unique_ptr<CObject> (*m_pfnCreateObject)();

    std::unique_ptr<CObject> CreateObject() const {
        return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
    }
    // Finds a registered record kind by its class name; nullptr when unknown.
    static const CRuntimeClass* FromName(const std::string& className);
};

// The archive a record would serialize to; records have no archive form, only the feed line.
class CArchive {};

// Common object root of all record kinds.
class CObject {
  public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const = 0;
    virtual void Serialize(CArchive& ar);
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass() == cls; }
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

inline constexpr int kColumnCount = 20;
inline constexpr int kBasicColumnCount = 7;

// Names of the twenty feed columns in file order.
extern const char* const kColumnNames[kColumnCount];

class COtherRecord : public CObject {
  public:
    static const CRuntimeClass classCOtherRecord;

    COtherRecord() = default;
    // Copies the twenty texts and the four check flags; the removal mark is never copied.
    COtherRecord(const COtherRecord& other);
    COtherRecord& operator=(const COtherRecord& other);
    ~COtherRecord() override = default;

    const CRuntimeClass* GetRuntimeClass() const override { return &classCOtherRecord; }
    void Serialize(CArchive& ar) override;

    // Column k (0..19) in file order.
    std::string& Field(int column);
    const std::string& Field(int column) const;

    // Takes over the texts and check flags of another record, keeping this record's removal mark.
    void AssignFrom(const COtherRecord& other);

    bool IsInStock() const;  // instock is "Y" or "YES", any case
    bool IsMarkedDeleted() const { return !m_optional.delete_.empty(); }

    // Texts for the list page's status columns.
    const char* DataStatusText() const;
    const char* UrlStatusText() const;
    const char* DeleteStatusText() const;

    RequiredFields m_required;
    OptionalFields m_optional;
    bool removal_mark = false;
    bool data_checked = false;
    bool urls_checked = false;
    bool product_url_ok = false;
    bool image_url_ok = false;
};

// Declared record kinds; nothing in the program creates or reads them beyond their identity.
class CBookRecord : public CObject {
  public:
    static const CRuntimeClass classCBookRecord;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCBookRecord; }
    void Serialize(CArchive& ar) override;

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[5];
};

class CMusicRecord : public CObject {
  public:
    static const CRuntimeClass classCMusicRecord;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCMusicRecord; }
    void Serialize(CArchive& ar) override;

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[3];
};

class CVideoRecord : public CObject {
  public:
    static const CRuntimeClass classCVideoRecord;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCVideoRecord; }
    void Serialize(CArchive& ar) override;

    RequiredFields m_required;
    OptionalFields m_optional;
    std::string m_extra[5];
};

}  // namespace yarvelin

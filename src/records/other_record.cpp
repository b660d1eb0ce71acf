#include "records/other_record.h"

#include <cstring>
#include <stdexcept>

#include "records/text_util.h"

namespace yarvelin {

const char* const kColumnNames[kColumnCount] = {
    "product_url", "name",     "description", "price",           "image_url", "category",
    "offer_id",    "instock",  "shipping",    "brand",           "upc",       "color",
    "size",        "quantity", "product_id",  "manufacturer_id", "exp_date",  "product_type",
    "delete",      "currency"};

namespace {
template <typename T>
std::unique_ptr<Record> Create() {
    return std::make_unique<T>();
}
}  // namespace

const RecordKind COtherRecord::kKind{"COtherRecord", 1, &Create<COtherRecord>};
const RecordKind CBookRecord::kKind{"CBookRecord", 1, &Create<CBookRecord>};
const RecordKind CMusicRecord::kKind{"CMusicRecord", 1, &Create<CMusicRecord>};
const RecordKind CVideoRecord::kKind{"CVideoRecord", 1, &Create<CVideoRecord>};

const RecordKind* RecordKind::FromName(std::string_view className) {
    for (const RecordKind* kind :
         {&COtherRecord::kKind, &CBookRecord::kKind, &CMusicRecord::kKind, &CVideoRecord::kKind}) {
        if (className == kind->name) {
            return kind;
        }
    }
    return nullptr;
}

COtherRecord::COtherRecord(const COtherRecord& other)
    : Record(),
      m_required(other.m_required),
      m_optional(other.m_optional),
      removal_mark(false),
      data_checked(other.data_checked),
      urls_checked(other.urls_checked),
      product_url_ok(other.product_url_ok),
      image_url_ok(other.image_url_ok),
      url_findings(other.url_findings) {}

COtherRecord& COtherRecord::operator=(const COtherRecord& other) {
    AssignFrom(other);
    return *this;
}

void COtherRecord::AssignFrom(const COtherRecord& other) {
    if (this == &other) {
        return;
    }
    m_required = other.m_required;
    m_optional = other.m_optional;
    data_checked = other.data_checked;
    urls_checked = other.urls_checked;
    product_url_ok = other.product_url_ok;
    image_url_ok = other.image_url_ok;
    url_findings = other.url_findings;
}

std::string& COtherRecord::Field(int column) {
    return const_cast<std::string&>(static_cast<const COtherRecord*>(this)->Field(column));
}

const std::string& COtherRecord::Field(int column) const {
    switch (column) {
        case 0:
            return m_required.product_url;
        case 1:
            return m_required.name;
        case 2:
            return m_required.description;
        case 3:
            return m_required.price;
        case 4:
            return m_required.image_url;
        case 5:
            return m_required.category;
        case 6:
            return m_required.offer_id;
        case 7:
            return m_optional.instock;
        case 8:
            return m_optional.shipping;
        case 9:
            return m_optional.brand;
        case 10:
            return m_optional.upc;
        case 11:
            return m_optional.color;
        case 12:
            return m_optional.size;
        case 13:
            return m_optional.quantity;
        case 14:
            return m_optional.product_id;
        case 15:
            return m_optional.manufacturer_id;
        case 16:
            return m_optional.exp_date;
        case 17:
            return m_optional.product_type;
        case 18:
            return m_optional.delete_;
        case 19:
            return m_optional.currency;
        default:
            throw std::out_of_range("column index");
    }
}

bool COtherRecord::IsInStock() const {
    return EqualsNoCase(m_optional.instock, "Y") || EqualsNoCase(m_optional.instock, "YES");
}

const char* COtherRecord::DataStatusText() const {
    return data_checked ? "Yes, All OK" : "Unverified";
}

const char* COtherRecord::UrlStatusText() const {
    if (!urls_checked) {
        return "Unverified";
    }
    if (product_url_ok) {
        return image_url_ok ? "All OK" : "Err:Img Url";
    }
    return image_url_ok ? "Err:Prd Url" : "Err:All Url";
}

const char* COtherRecord::DeleteStatusText() const {
    return IsMarkedDeleted() ? "DELETE" : "";
}

}  // namespace yarvelin

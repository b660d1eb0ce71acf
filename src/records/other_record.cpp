#include "records/other_record.h"

#include <cstring>
#include <limits>
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

namespace {

// A block for columns whose texts take bytes bytes in all: the end offsets, then the bytes.
std::unique_ptr<std::uint32_t[]> NewTextBlock(std::size_t bytes) {
    if (bytes > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("product texts too long");
    }
    return std::unique_ptr<std::uint32_t[]>(
        new std::uint32_t[kColumnCount + (bytes + sizeof(std::uint32_t) - 1) / sizeof(std::uint32_t)]);
}

char* BlockBytes(std::uint32_t* block) {
    return reinterpret_cast<char*>(block + kColumnCount);
}

void CheckColumn(int column) {
    if (column < 0 || column >= kColumnCount) {
        throw std::out_of_range("column index");
    }
}

}  // namespace

COtherRecord::COtherRecord(const COtherRecord& other)
    : Record(),
      removal_mark(false),
      data_checked(other.data_checked),
      urls_checked(other.urls_checked),
      product_url_ok(other.product_url_ok),
      image_url_ok(other.image_url_ok) {
    AssignFrom(other);
}

COtherRecord& COtherRecord::operator=(const COtherRecord& other) {
    AssignFrom(other);
    return *this;
}

void COtherRecord::AssignFrom(const COtherRecord& other) {
    if (this == &other) {
        return;
    }
    std::unique_ptr<std::uint32_t[]> texts;
    if (other.m_texts) {
        const std::size_t bytes = other.TextSize();
        texts = NewTextBlock(bytes);
        std::memcpy(texts.get(), other.m_texts.get(), kColumnCount * sizeof(std::uint32_t) + bytes);
    }
    std::unique_ptr<std::vector<UrlFinding>> findings;
    if (other.m_urlFindings) {
        findings = std::make_unique<std::vector<UrlFinding>>(*other.m_urlFindings);
    }
    m_texts = std::move(texts);
    m_urlFindings = std::move(findings);
    data_checked = other.data_checked;
    urls_checked = other.urls_checked;
    product_url_ok = other.product_url_ok;
    image_url_ok = other.image_url_ok;
}

const std::string_view COtherRecord::Field(int column) const {
    CheckColumn(column);
    if (!m_texts) {
        return {};
    }
    const std::uint32_t begin = column == 0 ? 0 : m_texts[column - 1];
    return {TextBytes() + begin, m_texts[column] - begin};
}

void COtherRecord::SetField(int column, std::string_view text) {
    const std::string_view old = Field(column);
    const std::size_t total = TextSize();
    if (text.size() == old.size()) {
        if (!text.empty()) {
            std::memmove(const_cast<char*>(old.data()), text.data(), text.size());
        }
        return;
    }
    const std::size_t newTotal = total - old.size() + text.size();
    if (newTotal == 0) {
        m_texts.reset();
        return;
    }
    // The new block is filled before the old one goes, as text may lie in it.
    std::unique_ptr<std::uint32_t[]> block = NewTextBlock(newTotal);
    char* bytes = BlockBytes(block.get());
    const std::size_t begin = m_texts ? static_cast<std::size_t>(old.data() - TextBytes()) : 0;
    const std::size_t tail = total - begin - old.size();
    if (begin > 0) {
        std::memcpy(bytes, TextBytes(), begin);
    }
    if (!text.empty()) {
        std::memcpy(bytes + begin, text.data(), text.size());
    }
    if (tail > 0) {
        std::memcpy(bytes + begin + text.size(), TextBytes() + begin + old.size(), tail);
    }
    for (int k = 0; k < kColumnCount; ++k) {
        const std::size_t end = m_texts ? m_texts[k] : 0;
        block[k] = static_cast<std::uint32_t>(k < column ? end : end - old.size() + text.size());
    }
    m_texts = std::move(block);
}

void COtherRecord::SetFields(const std::string_view (&texts)[kColumnCount]) {
    std::size_t total = 0;
    for (const std::string_view text : texts) {
        total += text.size();
    }
    if (total == 0) {
        m_texts.reset();
        return;
    }
    std::unique_ptr<std::uint32_t[]> block = NewTextBlock(total);
    char* bytes = BlockBytes(block.get());
    std::size_t end = 0;
    for (int k = 0; k < kColumnCount; ++k) {
        const std::string_view text = texts[k];
        if (!text.empty()) {
            std::memcpy(bytes + end, text.data(), text.size());
        }
        end += text.size();
        block[k] = static_cast<std::uint32_t>(end);
    }
    m_texts = std::move(block);
}

const std::vector<UrlFinding>& COtherRecord::UrlFindings() const {
    static const std::vector<UrlFinding> kNone;
    return m_urlFindings ? *m_urlFindings : kNone;
}

void COtherRecord::SetUrlFindings(std::vector<UrlFinding> findings) {
    if (findings.empty()) {
        m_urlFindings.reset();
    } else if (m_urlFindings) {
        *m_urlFindings = std::move(findings);
    } else {
        m_urlFindings = std::make_unique<std::vector<UrlFinding>>(std::move(findings));
    }
}

bool COtherRecord::IsInStock() const {
    const std::string_view instock = Field(kColInstock);
    return EqualsNoCase(instock, "Y") || EqualsNoCase(instock, "YES");
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

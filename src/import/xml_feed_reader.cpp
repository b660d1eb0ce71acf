#include "import/xml_feed_reader.h"

#include <libxml/xmlreader.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "feed/feed_encoding.h"
#include "feed/file_error.h"
#include "import/import_error.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr const char* kGoogleNamespace = "http://base.google.com/ns/1.0";
constexpr const char* kAtomNamespace = "http://www.w3.org/2005/Atom";

// The attributes Google Merchant Center and Meta catalogs define: a map may name any of them whether or not
// the first item has it.
constexpr const char* kKnownNames[] = {"id",
                                       "title",
                                       "description",
                                       "link",
                                       "mobile_link",
                                       "image_link",
                                       "additional_image_link",
                                       "availability",
                                       "availability_date",
                                       "expiration_date",
                                       "price",
                                       "sale_price",
                                       "sale_price_effective_date",
                                       "unit_pricing_measure",
                                       "cost_of_goods_sold",
                                       "google_product_category",
                                       "fb_product_category",
                                       "product_type",
                                       "brand",
                                       "gtin",
                                       "mpn",
                                       "identifier_exists",
                                       "condition",
                                       "adult",
                                       "multipack",
                                       "is_bundle",
                                       "age_group",
                                       "color",
                                       "gender",
                                       "material",
                                       "pattern",
                                       "size",
                                       "size_type",
                                       "size_system",
                                       "item_group_id",
                                       "shipping",
                                       "shipping_weight",
                                       "shipping_label",
                                       "tax",
                                       "custom_label_0",
                                       "custom_label_1",
                                       "custom_label_2",
                                       "custom_label_3",
                                       "custom_label_4",
                                       "quantity_to_sell_on_facebook",
                                       "inventory",
                                       "rich_text_description",
                                       "status",
                                       "summary"};

xmlTextReaderPtr Reader(void* reader) {
    return static_cast<xmlTextReaderPtr>(reader);
}

const char* Text(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view XmlTrimmed(std::string_view s) {
    while (!s.empty() && IsXmlBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsXmlBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// A document is laid out for reading: a line break and the blanks around it are one blank of the text.
std::string CollapseLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (!IsXmlBlank(text[i])) {
            out += text[i++];
            continue;
        }
        const std::size_t start = i;
        bool lineBreak = false;
        for (; i < text.size() && IsXmlBlank(text[i]); ++i) {
            lineBreak = lineBreak || text[i] == '\n' || text[i] == '\r';
        }
        out += lineBreak ? std::string_view(" ") : text.substr(start, i - start);
    }
    return out;
}

void StructuredError(void* self, xmlErrorPtr error) {
    if (error != nullptr && error->level >= XML_ERR_ERROR) {
        static_cast<CXmlFeedReader*>(self)->OnError(error->line, error->message);
    }
}

// Whether text holds a character reference to a TAB (&#9; &#x9; &#09; ...).
bool HoldsTabReference(std::string_view text) {
    for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
        std::size_t i = at + 2;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        i += hex ? 1 : 0;
        while (i < text.size() && text[i] == '0') {
            ++i;
        }
        if (text.substr(i, 2) == "9;") {
            return true;
        }
    }
    return false;
}

// Whether a value of the document can hold a TAB: a TAB character reference, or a TAB byte in text that is
// not only blanks between elements or in a CDATA section. Errs on the side of yes (a TAB in a comment
// counts). Most documents hold no TAB byte at all, which a quick look settles.
bool DocumentMayHoldTabs(const std::string& path) {
    constexpr std::size_t kOverlap = 16;  // a reference split between two reads is seen whole
    std::ifstream in(path, std::ios::binary);
    std::string chunk;
    std::string buffer(1 << 16, '\0');
    bool tabBytes = false;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        const std::string_view bytes(buffer.data(), static_cast<std::size_t>(in.gcount()));
        tabBytes = tabBytes || bytes.find('\t') != std::string_view::npos;
        chunk.erase(0, chunk.size() > kOverlap ? chunk.size() - kOverlap : 0);
        chunk += bytes;
        if (HoldsTabReference(chunk)) {
            return true;
        }
    }
    if (!tabBytes) {
        return false;
    }
    in.clear();
    in.seekg(0);
    bool inMarkup = false;
    bool runHasTab = false;
    bool runHasText = false;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        for (const char c : std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount()))) {
            if (c == '<') {
                if (runHasTab && runHasText) {
                    return true;
                }
                inMarkup = true;
                runHasTab = runHasText = false;
            } else if (c == '>') {
                inMarkup = false;
            } else if (!inMarkup) {
                runHasTab = runHasTab || c == '\t';
                runHasText = runHasText || !IsXmlBlank(c);
            } else if (c == '\t') {
                // A TAB inside a CDATA section (its '<' began "markup") belongs to a value.
                return true;
            }
        }
    }
    return runHasTab && runHasText;
}

}  // namespace

CXmlFeedReader::CXmlFeedReader() = default;

CXmlFeedReader::~CXmlFeedReader() {
    if (m_reader != nullptr) {
        xmlFreeTextReader(Reader(m_reader));
    }
}

void CXmlFeedReader::OnError(int line, const char* message) {
    if (m_error.empty()) {
        m_errorLine = line;
        m_error = message != nullptr ? Trim(message) : "";
        if (m_error.empty()) {
            m_error = "the XML document is broken";
        }
    }
}

void CXmlFeedReader::FailHere() {
    if (m_error.empty()) {
        throw CImportError(CImportError::Kind::kInput, 0, "the XML document cannot be read");
    }
    throw CImportError(CImportError::Kind::kInput, m_errorLine, "the XML document is broken: " + m_error);
}

void CXmlFeedReader::Open(const std::string& path) {
    m_path = path;
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            throw CImportError(CImportError::Kind::kInput, 0,
                               FileErrorText(FileErrorCauseForOpen(errno, path), path));
        }
        std::fclose(file);
    }
    m_mayHoldTabs = DocumentMayHoldTabs(path);
    // No network, no document type loaded, no entities replaced: nothing outside the file is read.
    m_reader =
        xmlReaderForFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_NOWARNING);
    if (m_reader == nullptr) {
        throw CImportError(CImportError::Kind::kInput, 0, "the XML document cannot be read");
    }
    xmlTextReaderSetStructuredErrorHandler(Reader(m_reader), StructuredError, this);
    if (!ReadItem(true)) {
        throw CImportError(
            CImportError::Kind::kInput, 0,
            "the XML document holds no <item> or <entry>: it is no Google or Meta product feed");
    }
    for (const char* name : kKnownNames) {
        if (m_names.emplace(name, static_cast<int>(m_header.size())).second) {
            m_header.emplace_back(name);
        }
    }
    m_cells.resize(m_header.size());
    m_fromGoogle.resize(m_header.size());
    m_pending = true;
    m_pendingLine = m_rowLine;
}

bool CXmlFeedReader::Step() {
    const int status = xmlTextReaderRead(Reader(m_reader));
    if (status < 0 || !m_error.empty()) {
        FailHere();
    }
    return status == 1;
}

CXmlFeedReader::Column CXmlFeedReader::ColumnOfElement(bool growHeader) {
    xmlTextReaderPtr r = Reader(m_reader);
    const NameKey key{xmlTextReaderConstLocalName(r), xmlTextReaderConstNamespaceUri(r)};
    if (const auto found = m_elements.find(key); found != m_elements.end() && found->second.index >= 0) {
        return found->second;
    } else if (found != m_elements.end() && !growHeader) {
        return found->second;
    }
    const char* ns = Text(xmlTextReaderConstNamespaceUri(r));
    Column column;
    column.google = ns != nullptr && std::strcmp(ns, kGoogleNamespace) == 0;
    // RSS's own elements have no namespace and Atom's are its own; another namespace keeps its prefix.
    const bool plain = ns == nullptr || column.google || std::strcmp(ns, kAtomNamespace) == 0;
    const std::string name = plain ? Text(xmlTextReaderConstLocalName(r)) : Text(xmlTextReaderConstName(r));
    if (const auto found = m_names.find(name); found != m_names.end()) {
        column.index = found->second;
    } else if (growHeader) {
        column.index = static_cast<int>(m_header.size());
        m_names.emplace(name, column.index);
        m_header.push_back(name);
        m_cells.resize(m_header.size());
        m_fromGoogle.resize(m_header.size());
    }
    m_elements[key] = column;
    return column;
}

void CXmlFeedReader::EndField() {
    if (m_field.index < 0) {
        return;
    }
    std::string value;
    if (!m_parts.empty()) {
        for (std::size_t i = 0; i < m_parts.size(); ++i) {
            value += (i > 0 ? ":" : "") + std::string(XmlTrimmed(m_parts[i]));
        }
    } else {
        value = XmlTrimmed(m_text);
    }
    if (value.find('\n') != std::string::npos || value.find('\r') != std::string::npos) {
        value = CollapseLineBreaks(value);
    }
    m_unmappable += Utf8ToCp1252(value);
    std::string& cell = m_cells[static_cast<std::size_t>(m_field.index)];
    char& google = m_fromGoogle[static_cast<std::size_t>(m_field.index)];
    if (value.empty() || (google != 0 && !m_field.google)) {
        return;  // a Google attribute wins over an Atom element of the same name (<id>)
    }
    if (!cell.empty() && (google != 0) == m_field.google) {
        cell += ',';
        cell += value;
    } else {
        cell = std::move(value);
    }
    google = m_field.google ? 1 : 0;
}

bool CXmlFeedReader::ReadItem(bool growHeader) {
    xmlTextReaderPtr r = Reader(m_reader);
    for (std::string& cell : m_cells) {
        cell.clear();
    }
    std::fill(m_fromGoogle.begin(), m_fromGoogle.end(), 0);
    m_itemDepth = -1;
    while (Step()) {
        const int type = xmlTextReaderNodeType(r);
        const int depth = xmlTextReaderDepth(r);
        if (m_itemDepth < 0) {
            if (type != XML_READER_TYPE_ELEMENT) {
                continue;
            }
            const char* local = Text(xmlTextReaderConstLocalName(r));
            if (std::strcmp(local, "item") != 0 && std::strcmp(local, "entry") != 0) {
                continue;
            }
            m_rowLine = xmlGetLineNo(xmlTextReaderCurrentNode(r));
            if (xmlTextReaderIsEmptyElement(r) != 0) {
                return true;
            }
            m_itemDepth = depth;
            continue;
        }
        switch (type) {
            case XML_READER_TYPE_ELEMENT:
                if (depth == m_itemDepth + 1) {
                    m_field = ColumnOfElement(growHeader);
                    m_text.clear();
                    m_parts.clear();
                    if (xmlTextReaderIsEmptyElement(r) != 0) {
                        // Atom writes the page address as <link href="..."/>.
                        xmlChar* href = xmlTextReaderGetAttribute(r, BAD_CAST "href");
                        xmlChar* rel = xmlTextReaderGetAttribute(r, BAD_CAST "rel");
                        if (href != nullptr && (rel == nullptr || std::strcmp(Text(rel), "alternate") == 0)) {
                            m_text = Text(href);
                        }
                        xmlFree(href);
                        xmlFree(rel);
                        EndField();
                    }
                } else if (depth == m_itemDepth + 2) {
                    m_parts.emplace_back();
                }
                break;
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
            case XML_READER_TYPE_WHITESPACE:
                if (depth == m_itemDepth + 2) {
                    m_text += Text(xmlTextReaderConstValue(r));
                } else if (depth > m_itemDepth + 2 && !m_parts.empty()) {
                    m_parts.back() += Text(xmlTextReaderConstValue(r));
                }
                break;
            case XML_READER_TYPE_END_ELEMENT:
                if (depth == m_itemDepth + 1) {
                    EndField();
                } else if (depth == m_itemDepth) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

bool CXmlFeedReader::Next(std::vector<std::string>& cells) {
    if (m_pending) {
        m_pending = false;
        m_rowLine = m_pendingLine;
    } else if (!ReadItem(false)) {
        return false;
    }
    cells.swap(m_cells);
    m_cells.resize(m_header.size());
    return true;
}

}  // namespace yarvelin

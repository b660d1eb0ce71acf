// Reads a product feed as Google Merchant Center and Meta catalogs take it: an RSS 2.0 or Atom document
// whose <item> or <entry> elements each hold one product's attributes, in the Google namespace
// (http://base.google.com/ns/1.0, with a prefix or as the default namespace) or in none. Each item becomes
// one row of named values, so it goes through the same map as a CSV row.
//
// The document is streamed with libxml2's xmlTextReader: only the item being read is held. An attribute
// with children (g:shipping, g:tax) gives their values joined by ':' in document order ("US:Standard:4.95
// USD", like the tab-separated form); an attribute written twice gives its values joined by ','. An Atom
// <link href="..."/> gives its address. Values are trimmed, and a line break with the blanks around it is
// one blank (documents are laid out for reading); entities a document type declares are left out (no
// external entity or DTD is ever loaded).
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/export_row_source.h"

namespace yarvelin {

class CXmlFeedReader : public ExportRowSource {
  public:
    CXmlFeedReader();
    ~CXmlFeedReader() override;
    CXmlFeedReader(const CXmlFeedReader&) = delete;
    CXmlFeedReader& operator=(const CXmlFeedReader&) = delete;

    // Opens the document and reads its first item. The header is the names of the first item's values
    // followed by the other Google and Meta attribute names; a later item's value of another name is not
    // read. Throws CImportError: the file cannot be read, is no XML document, or holds no item.
    void Open(const std::string& path);

    const std::vector<std::string>& Header() const override { return m_header; }
    bool Next(std::vector<std::string>& cells) override;
    long long RowLine() const override { return m_rowLine; }
    // Values hold no line break: a line break and the blanks around it are one blank.
    bool RowMayHoldLineBreaks() const override { return false; }
    bool MayHoldTabs() const override { return m_mayHoldTabs; }
    std::size_t Unmappable() const override { return m_unmappable; }
    char Separator() const override { return ','; }
    bool IsUtf8() const override { return true; }

    // libxml2's error callback: the first error is kept with its line.
    void OnError(int line, const char* message);

  private:
    struct NameKey {
        const void* local;  // libxml2's interned strings: equal names are the same pointer
        const void* ns;
        bool operator==(const NameKey& o) const { return local == o.local && ns == o.ns; }
    };
    struct NameKeyHash {
        std::size_t operator()(const NameKey& k) const {
            return std::hash<const void*>{}(k.local) * 31 + std::hash<const void*>{}(k.ns);
        }
    };
    struct Column {
        int index = -1;  // -1: a value the header has no column for
        bool google = false;
    };

    // Reads the next item into m_cells; false at the end of the document.
    bool ReadItem(bool growHeader);
    bool Step();
    [[noreturn]] void FailHere();
    Column ColumnOfElement(bool growHeader);
    void EndField();

    void* m_reader = nullptr;  // xmlTextReaderPtr
    std::string m_path;
    std::vector<std::string> m_header;
    std::unordered_map<std::string, int> m_names;
    std::unordered_map<NameKey, Column, NameKeyHash> m_elements;
    std::vector<std::string> m_cells;
    std::vector<char> m_fromGoogle;  // whether a cell's value came from the Google namespace
    bool m_pending = false;          // Open read the first item already
    long long m_rowLine = 0;
    long long m_pendingLine = 0;
    bool m_mayHoldTabs = false;
    std::size_t m_unmappable = 0;
    // The field being read.
    Column m_field;
    int m_itemDepth = -1;
    std::string m_text;
    std::vector<std::string> m_parts;  // values of the field's children
    // The first error libxml2 reported.
    int m_errorLine = 0;
    std::string m_error;
};

}  // namespace yarvelin

// libxml2's streaming reader over one entry of a zip archive: the XML is inflated and parsed a buffer at a
// time, never held whole. No DTD, no network, no entity of the document's own is expanded.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "import/zip_archive.h"

struct _xmlTextReader;

namespace yarvelin {

class CZipXmlReader {
  public:
    // Throws CImportError when the entry is missing.
    CZipXmlReader(CZipArchive& archive, const std::string& entry);
    ~CZipXmlReader();
    CZipXmlReader(const CZipXmlReader&) = delete;
    CZipXmlReader& operator=(const CZipXmlReader&) = delete;

    // The next node; false at the end of the document. Throws CImportError for broken XML (naming the
    // entry and its line) and for what the archive refuses.
    bool Read();

    // An element's start tag; its end tag (not sent for <empty/>).
    bool IsStart(std::string_view localName) const { return m_type == kElement && m_name == localName; }
    bool IsEnd(std::string_view localName) const { return m_type == kEndElement && m_name == localName; }
    // The element's local name at a start or end tag.
    std::string_view ElementName() const { return m_name; }
    bool IsEmptyElement() const;
    // Text, CDATA or white space between tags.
    bool IsText() const;
    std::string_view LocalName() const;
    std::string_view NamespaceUri() const;
    std::string_view Value() const;
    int Depth() const;
    int Line() const;

    // Calls f(localName, value) for each attribute of the element at hand; NamespaceUri() in f gives the
    // attribute's (looked up only when asked).
    template <typename F>
    void ForEachAttribute(F&& f) {
        if (MoveToFirstAttribute()) {
            do {
                f(LocalName(), Value());
            } while (MoveToNextAttribute());
            MoveToElement();
        }
    }

    // libxml2's callbacks.
    int OnRead(char* buffer, int size);
    // The reader parses a little ahead of the node it gives: a mistake may be met a few cells early.
    void OnError(const char* message, int line, int column);

  private:
    bool MoveToFirstAttribute();
    bool MoveToNextAttribute();
    void MoveToElement();
    [[noreturn]] void Fail(const std::string& what, int line, int column) const;

    CZipArchive& m_archive;
    std::string m_entry;
    _xmlTextReader* m_reader = nullptr;
    static constexpr int kElement = 1;      // XML_READER_TYPE_ELEMENT
    static constexpr int kEndElement = 15;  // XML_READER_TYPE_END_ELEMENT
    int m_type = 0;
    std::string_view m_name;
    std::exception_ptr m_readFailure;  // thrown by the archive inside libxml2's callback
    std::string m_error;
    int m_errorLine = 0;
    int m_errorColumn = 0;
};

}  // namespace yarvelin

#include "import/zip_xml_reader.h"

#include <libxml/xmlreader.h>

#include <climits>

#include "import/import_error.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

std::string_view View(const xmlChar* text) {
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

static_assert(XML_READER_TYPE_ELEMENT == 1 && XML_READER_TYPE_END_ELEMENT == 15);

int ReadCallback(void* self, char* buffer, int size) {
    return static_cast<CZipXmlReader*>(self)->OnRead(buffer, size);
}

int CloseCallback(void*) {
    return 0;
}

void ErrorCallback(void* self, xmlErrorPtr error) {
    if (error != nullptr && error->level >= XML_ERR_ERROR) {
        static_cast<CZipXmlReader*>(self)->OnError(error->message, error->line, error->int2);
    }
}

}  // namespace

CZipXmlReader::CZipXmlReader(CZipArchive& archive, const std::string& entry)
    : m_archive(archive), m_entry(entry) {
    m_archive.OpenEntry(entry);
    m_reader = xmlReaderForIO(ReadCallback, CloseCallback, this, entry.c_str(), nullptr,
                              XML_PARSE_NONET | XML_PARSE_COMPACT);
    if (m_reader == nullptr) {
        throw std::bad_alloc();
    }
    xmlTextReaderSetStructuredErrorHandler(m_reader, ErrorCallback, this);
}

CZipXmlReader::~CZipXmlReader() {
    xmlFreeTextReader(m_reader);
    m_archive.CloseEntry();
}

int CZipXmlReader::OnRead(char* buffer, int size) {
    try {
        return static_cast<int>(m_archive.Read(buffer, static_cast<std::size_t>(size)));
    } catch (...) {
        m_readFailure = std::current_exception();
        return -1;
    }
}

void CZipXmlReader::OnError(const char* message, int line, int column) {
    if (m_error.empty()) {
        m_error = Trim(message == nullptr ? std::string() : std::string(message));
        m_errorLine = line;
        m_errorColumn = column;
    }
}

void CZipXmlReader::Fail(const std::string& what, int line, int column) const {
    // Sheets are often one long line: the column finds the place.
    std::string where = m_entry;
    where += line > 0 ? Format(" line %d", line) : std::string();
    where += column > 0 ? Format(", column %d", column) : std::string();
    throw CImportError(CImportError::Kind::kInput, 0, where + ": " + what);
}

bool CZipXmlReader::Read() {
    const int status = xmlTextReaderRead(m_reader);
    if (m_readFailure) {
        std::rethrow_exception(m_readFailure);
    }
    if (status < 0 || !m_error.empty()) {
        Fail(m_error.empty() ? std::string("the XML is broken") : m_error,
             m_error.empty() ? xmlTextReaderGetParserLineNumber(m_reader) : m_errorLine, m_errorColumn);
    }
    if (status == 0) {
        return false;
    }
    m_type = xmlTextReaderNodeType(m_reader);
    // Taken once: a node is asked for its name many times.
    m_name = m_type == XML_READER_TYPE_ELEMENT || m_type == XML_READER_TYPE_END_ELEMENT
                 ? View(xmlTextReaderConstLocalName(m_reader))
                 : std::string_view();
    if (m_type == XML_READER_TYPE_DOCUMENT_TYPE || m_type == XML_READER_TYPE_ENTITY_REFERENCE) {
        Fail("a document type or entity of its own, which no spreadsheet has", Line(), 0);
    }
    return true;
}

bool CZipXmlReader::IsEmptyElement() const {
    return xmlTextReaderIsEmptyElement(m_reader) == 1;
}

bool CZipXmlReader::IsText() const {
    return m_type == XML_READER_TYPE_TEXT || m_type == XML_READER_TYPE_CDATA ||
           m_type == XML_READER_TYPE_WHITESPACE || m_type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
}

std::string_view CZipXmlReader::LocalName() const {
    return View(xmlTextReaderConstLocalName(m_reader));
}

std::string_view CZipXmlReader::NamespaceUri() const {
    return View(xmlTextReaderConstNamespaceUri(m_reader));
}

std::string_view CZipXmlReader::Value() const {
    return View(xmlTextReaderConstValue(m_reader));
}

int CZipXmlReader::Depth() const {
    return xmlTextReaderDepth(m_reader);
}

int CZipXmlReader::Line() const {
    return xmlTextReaderGetParserLineNumber(m_reader);
}

bool CZipXmlReader::MoveToFirstAttribute() {
    return xmlTextReaderMoveToFirstAttribute(m_reader) == 1;
}

bool CZipXmlReader::MoveToNextAttribute() {
    return xmlTextReaderMoveToNextAttribute(m_reader) == 1;
}

void CZipXmlReader::MoveToElement() {
    xmlTextReaderMoveToElement(m_reader);
}

}  // namespace yarvelin

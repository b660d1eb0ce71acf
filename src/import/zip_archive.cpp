#include "import/zip_archive.h"

#include <zip.h>

#include <filesystem>

#include "import/import_error.h"
#include "records/text_util.h"

namespace yarvelin {

CZipArchive::~CZipArchive() {
    CloseEntry();
    if (m_zip != nullptr) {
        zip_discard(m_zip);
    }
}

void CZipArchive::Fail(const std::string& what) const {
    throw CImportError(CImportError::Kind::kInput, 0, what);
}

void CZipArchive::Open(const std::string& path) {
    int err = 0;
    m_zip = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (m_zip == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, err);
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail("the zip archive cannot be read (" + text + ")");
    }
    std::error_code ec;
    m_fileSize = std::filesystem::file_size(path, ec);
    const zip_int64_t entries = zip_get_num_entries(m_zip, 0);
    if (entries > kMaxEntries) {
        Fail(Format("the zip archive holds %lld entries, more than the %lld a spreadsheet may have",
                    static_cast<long long>(entries), static_cast<long long>(kMaxEntries)));
    }
    std::uint64_t declared = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t st;
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
            declared += st.size;
        }
    }
    if (declared > kMaxInflated) {
        Fail("the zip archive would inflate to more than 1 GiB: it is refused as a zip bomb");
    }
}

bool CZipArchive::Has(const std::string& name) const {
    return zip_name_locate(m_zip, name.c_str(), 0) >= 0;
}

void CZipArchive::OpenEntry(const std::string& name) {
    CloseEntry();
    m_entry = zip_fopen(m_zip, name.c_str(), 0);
    if (m_entry == nullptr) {
        Fail(Has(name) ? name + " in the zip archive cannot be read (" + zip_strerror(m_zip) + ")"
                       : "the zip archive has no " + name);
    }
    m_entryName = name;
}

std::size_t CZipArchive::Read(char* buffer, std::size_t size) {
    const zip_int64_t n = zip_fread(m_entry, buffer, size);
    if (n < 0) {
        Fail(m_entryName + " in the zip archive is broken (" + zip_file_strerror(m_entry) + ")");
    }
    // Counted as inflated, whatever the archive's directory said the sizes were.
    m_inflated += static_cast<std::uint64_t>(n);
    if (m_inflated > kMaxInflated || (m_inflated > kRatioFrom && m_inflated / kMaxRatio > m_fileSize)) {
        Fail(Format("%s inflates to more than %s: the archive is refused as a zip bomb", m_entryName.c_str(),
                    m_inflated > kMaxInflated ? "1 GiB" : "400 times the archive's size"));
    }
    return static_cast<std::size_t>(n);
}

void CZipArchive::CloseEntry() {
    if (m_entry != nullptr) {
        zip_fclose(m_entry);
        m_entry = nullptr;
    }
}

std::string CZipArchive::ReadSmallEntry(const std::string& name, std::size_t limit) {
    OpenEntry(name);
    std::string text(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const std::size_t n = Read(text.data() + got, limit - got);
        if (n == 0) {
            break;
        }
        got += n;
    }
    CloseEntry();
    text.resize(got);
    return text;
}

}  // namespace yarvelin

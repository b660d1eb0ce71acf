// Opens an export by what the file holds, not by its name: a zip archive holding a spreadsheet (.xlsx,
// .ods), otherwise a CSV export.
#pragma once

#include <memory>
#include <string>

#include "import/export_row_source.h"

namespace yarvelin {

enum class ExportKind { kCsv, kXlsx, kOds, kXml };

// What the file's first bytes and, for a zip archive, its contents say it is. Throws CImportError for a
// zip archive that is no spreadsheet.
ExportKind DetectExportKind(const std::string& path);

// Opens the export and reads its header. separator: a CSV export's (0 detects it); sheet: a
// spreadsheet's sheet by name (empty: the first). Throws CImportError.
std::unique_ptr<ExportRowSource> OpenExport(const std::string& path, char separator = 0,
                                            const std::string& sheet = {});

}  // namespace yarvelin

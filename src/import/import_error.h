// What stops an import before anything is written: a file that is no readable export, or a map that does
// not fit it. The line is the export's 1-based line (0 when the mistake is not on one line).
#pragma once

#include <stdexcept>
#include <string>

namespace yarvelin {

class CImportError : public std::runtime_error {
  public:
    enum class Kind {
        kInput,  // the export itself
        kMap,    // the map names what the export does not have (a usage error on the command line)
    };
    CImportError(Kind kind, long long line, const std::string& what)
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what),
          m_kind(kind),
          m_line(line) {}
    Kind GetKind() const { return m_kind; }
    long long Line() const { return m_line; }

  private:
    Kind m_kind;
    long long m_line;
};

}  // namespace yarvelin

// "-" as standard input or output for the commands that read and write files by name. The readers look
// at a file twice (its encoding first), so standard input is copied into a temporary file; a feed for
// standard output is made in a temporary file and copied out once complete.
#pragma once

#include <string>
#include <vector>

namespace yarvelin::cli {

class CStdStreams {
  public:
    // Also makes SIGTERM, SIGINT and SIGHUP remove the command's temporary files before it ends.
    explicit CStdStreams(const char* command);
    ~CStdStreams();
    CStdStreams(const CStdStreams&) = delete;
    CStdStreams& operator=(const CStdStreams&) = delete;

    // The file to read: arg itself, or a copy of standard input for "-". Empty after reporting when
    // standard input could not be read.
    std::string Input(const std::string& arg);
    // The file to write: arg itself, or a temporary file that Finish copies to standard output.
    std::string Output(const std::string& arg);
    // Copies what was written for standard output there; false after reporting. A reader that closed the
    // pipe early ends the command quietly with status 141, as SIGPIPE would, leaving no temporary file.
    bool Finish();

  private:
    std::string Temporary();
    void RemoveTemporaries();

    const char* m_command;
    std::vector<std::string> m_temporaries;
    std::string m_stdoutFile;
};

}  // namespace yarvelin::cli

// A stand-in `systemctl` for the schedule's tests: a shell script put first on PATH that writes each call
// ("--user daemon-reload") as a line of a file and fails the subcommands named in FAKE_SYSTEMCTL_FAIL
// (blank-separated), so the command and the window run their real child process.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "file_bytes.h"

namespace yarvelin::testing {

class CFakeSystemctl {
  public:
    explicit CFakeSystemctl(const std::filesystem::path& dir)
        : m_bin(dir / "fake-bin"), m_calls(dir / "calls.txt") {
        std::filesystem::create_directories(m_bin);
        const std::filesystem::path script = m_bin / "systemctl";
        std::ofstream(script)
            << "#!/bin/sh\n"
               "echo \"$*\" >> '"
            << m_calls.string()
            << "'\n"
               "for word in $FAKE_SYSTEMCTL_FAIL; do\n"
               "  if [ \"$2\" = \"$word\" ]; then echo \"Failed to $word: fake\" >&2; exit 1; fi\n"
               "done\n"
               "exit 0\n";
        ::chmod(script.c_str(), 0755);
    }
    // PATH with the stand-in first.
    std::string Path() const {
        const char* path = std::getenv("PATH");
        return m_bin.string() + ":" + (path ? path : "/usr/bin:/bin");
    }
    std::string Calls() const { return ReadBytes(m_calls.string()); }
    void Forget() const { std::filesystem::remove(m_calls); }

  private:
    std::filesystem::path m_bin;
    std::filesystem::path m_calls;
};

}  // namespace yarvelin::testing

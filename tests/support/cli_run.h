// Runs the command-line program as a merchant's script would: a child process with no terminal, its
// standard output and standard error caught in files of a test folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "file_bytes.h"

namespace yarvelin::testing {

struct CliRun {
    int status = -1;  // the exit status; -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

// Runs program with a command line already written for the shell (arguments quoted by the caller where
// they need it); the output files go into dir. The program uses the environment's proxy settings, so
// loopback servers are taken out of them. environment: more "NAME=value" assignments, quoted for the shell.
inline CliRun RunShellLine(const std::string& program, const std::string& args,
                           const std::filesystem::path& dir, const std::string& environment = {}) {
    const std::string outFile = (dir / "cli-stdout.txt").string();
    const std::string errFile = (dir / "cli-stderr.txt").string();
    const std::string command = "no_proxy=127.0.0.1 NO_PROXY=127.0.0.1 " + environment + " " +
                                ShellQuote(program) + " " + args + " >" + ShellQuote(outFile) + " 2>" +
                                ShellQuote(errFile) + " </dev/null";
    CliRun r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadBytes(outFile);
    r.err = ReadBytes(errFile);
    return r;
}

// The same with each argument passed as it is.
inline CliRun RunArgs(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir) {
    std::string line;
    for (const auto& a : args) {
        line += (line.empty() ? "" : " ") + ShellQuote(a);
    }
    return RunShellLine(program, line, dir);
}

}  // namespace yarvelin::testing

// Runs the command-line program as a merchant's script would: a child process with no terminal, its
// standard output and standard error caught in files of a test folder.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

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

// Starts the program with these arguments and extra environment ("NAME=value") and returns at once; its
// standard error goes to errFile, its standard output nowhere. The caller ends or waits for the process.
inline pid_t StartArgs(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& errFile,
                       const std::vector<std::string>& environment = {}) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("no_proxy", "127.0.0.1", 1);
        setenv("NO_PROXY", "127.0.0.1", 1);
        for (const std::string& assignment : environment) {
            const std::size_t equals = assignment.find('=');
            setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
        }
        std::freopen(errFile.c_str(), "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status of a process StartArgs started; -1 when a signal ended it.
inline int WaitFor(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) {
        return -1;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace yarvelin::testing

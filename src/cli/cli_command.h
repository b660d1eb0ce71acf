// Commands of yarvelin-feed. Each command lives in its own file and registers itself with a static
// CCliRegistration, so adding a command touches no other file.
#pragma once

#include <string>
#include <vector>

namespace yarvelin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CCliCommand {
    const char* name;
    const char* summary;  // one line for the command list
    const char* usage;    // full --help text of the command
    // args: the arguments after the command name. Returns the exit status.
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<CCliCommand>& Commands();

struct CCliRegistration {
    explicit CCliRegistration(const CCliCommand& command);
};

// Common helpers for commands.
bool WantsHelp(const std::vector<std::string>& args);
// Prints "yarvelin-feed <cmd>: <message>" and the usage line to standard error; returns kExitUsage.
int UsageError(const CCliCommand& command, const std::string& message);
// Standard error is a terminal: progress may be shown there.
bool StderrIsTerminal();

}  // namespace yarvelin::cli

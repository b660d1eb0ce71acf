// Commands of yarvelin-feed. Each command lives in its own file and registers itself with a static
// CCliRegistration; the front end gives it a CLI11 subcommand to declare its options on, so every command
// shares one --help style, one error prefix and one set of exit statuses.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace yarvelin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class CliCommand {
  public:
    virtual ~CliCommand() = default;
    virtual const char* Name() const = 0;
    // One line for the command list.
    virtual const char* Summary() const = 0;
    // What the command does, for its --help.
    virtual const char* Description() const = 0;
    // Declares the arguments and options; the parser writes their values into the command's members.
    // The footer of the command's --help.
    virtual const char* ExitStatuses() const { return "Exit status: 0 success, 1 failure, 2 usage error."; }
    virtual void Configure(CLI::App& command) = 0;
    // Runs after a successful parse and returns the exit status. Throws CUsageError for a combination of
    // arguments the parser cannot state.
    virtual int Run() = 0;
};

struct CCliRegistration {
    explicit CCliRegistration(std::unique_ptr<CliCommand> command);
};

const std::vector<std::unique_ptr<CliCommand>>& Commands();

// A usage error found after parsing: reported like the parser's own, exit status 2.
class CUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "yarvelin-feed COMMAND: text" on standard error.
void PrintError(std::string_view command, std::string_view text);

// A positional file argument. An empty name or a lone "-" is refused: the commands read and write named
// files only, never standard input or output.
CLI::Option* AddFileArgument(CLI::App& command, const std::string& name, std::string& path,
                             const std::string& description);

// The same for the commands that take "-" for standard input or output (see std_streams.h).
CLI::Option* AddStreamArgument(CLI::App& command, const std::string& name, std::string& path,
                               const std::string& description);

// The folder of the program's data (Maps/, Samples/): beside the program in a build folder,
// ../share/yarvelin when installed.
std::string ProgramDataDir();

// Standard error is a terminal: progress may be shown there.
bool StderrIsTerminal();

}  // namespace yarvelin::cli

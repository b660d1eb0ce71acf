// yarvelin-feed: the wizard's feed work for scripts.
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_command.h"

namespace yarvelin::cli {

namespace {
std::vector<CCliCommand>& Registry() {
    static std::vector<CCliCommand> commands;
    return commands;
}

void PrintHelp(FILE* out) {
    std::fprintf(out,
                 "Usage: yarvelin-feed COMMAND [ARGS...]\n"
                 "       yarvelin-feed --help | --version\n"
                 "\n"
                 "Builds, checks and uploads Quorvin product feed files.\n"
                 "\n"
                 "Commands:\n");
    auto sorted = Registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const CCliCommand& a, const CCliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : sorted) {
        std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    }
    std::fprintf(out,
                 "\n'yarvelin-feed COMMAND --help' describes a command.\n"
                 "Exit status: 0 success, 1 failure, 2 usage error.\n");
}
}  // namespace

const std::vector<CCliCommand>& Commands() {
    return Registry();
}

CCliRegistration::CCliRegistration(const CCliCommand& command) {
    Registry().push_back(command);
}

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int UsageError(const CCliCommand& command, const std::string& message) {
    std::fprintf(stderr, "yarvelin-feed %s: %s\n%s", command.name, message.c_str(), command.usage);
    return kExitUsage;
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

}  // namespace yarvelin::cli

int main(int argc, char** argv) {
    using namespace yarvelin::cli;
    if (argc < 2) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (first == "--version") {
        std::printf("yarvelin-feed 1.0\n");
        return kExitOk;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : Commands()) {
        if (first == c.name) {
            if (WantsHelp(args)) {
                std::fputs(c.usage, stdout);
                return kExitOk;
            }
            return c.run(args);
        }
    }
    std::fprintf(stderr, "yarvelin-feed: unknown command '%s'\n\n", first.c_str());
    PrintHelp(stderr);
    return kExitUsage;
}

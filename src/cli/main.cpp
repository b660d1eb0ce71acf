// yarvelin-feed: the wizard's feed work for scripts.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "build_config.h"
#include "cli/cli_command.h"

namespace yarvelin::cli {

namespace {
std::vector<std::unique_ptr<CliCommand>>& Registry() {
    static std::vector<std::unique_ptr<CliCommand>> commands;
    return commands;
}

constexpr char kProgram[] = "yarvelin-feed";
}  // namespace

const std::vector<std::unique_ptr<CliCommand>>& Commands() {
    return Registry();
}

CCliRegistration::CCliRegistration(std::unique_ptr<CliCommand> command) {
    Registry().push_back(std::move(command));
}

void PrintError(std::string_view command, std::string_view text) {
    std::string line(kProgram);
    if (!command.empty()) {
        line.append(" ").append(command);
    }
    line.append(": ").append(text).append("\n");
    std::fputs(line.c_str(), stderr);
}

CLI::Option* AddFileArgument(CLI::App& command, const std::string& name, std::string& path,
                             const std::string& description) {
    return command.add_option(name, path, description)
        ->required()
        ->type_name("")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                if (value.empty()) {
                    return "the file name is empty";
                }
                if (value == "-") {
                    return "name a file: standard input and output are not used";
                }
                return {};
            },
            "", "file name"));
}

CLI::Option* AddStreamArgument(CLI::App& command, const std::string& name, std::string& path,
                               const std::string& description) {
    return command.add_option(name, path, description)
        ->required()
        ->type_name("")
        ->check(CLI::Validator([](const std::string& value)
                                   -> std::string { return value.empty() ? "the file name is empty" : ""; },
                               "", "file name"));
}

std::string ProgramDataDir() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    std::string dir(buffer, static_cast<std::size_t>(n));
    dir.erase(dir.rfind('/'));
    return BuildDataFolderFor(dir);
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

namespace {

int UsageFailure(std::string_view command, const std::string& message) {
    PrintError(command, message);
    std::string hint = "Run '";
    hint.append(kProgram);
    if (!command.empty()) {
        hint.append(" ").append(command);
    }
    hint += " --help' for more information.\n";
    std::fputs(hint.c_str(), stderr);
    return kExitUsage;
}

// The command list shows each command's summary; a command's own help shows its longer description and a
// usage line that starts with the program's name.
class CHelpFormatter : public CLI::Formatter {
  public:
    CHelpFormatter() { column_width(26); }

    std::string make_description(const CLI::App* app) const override {
        if (app->get_parent() == nullptr) {
            return CLI::Formatter::make_description(app);
        }
        for (const auto& c : Commands()) {
            if (app->get_name() == c->Name()) {
                return std::string(c->Description()) + "\n\n";
            }
        }
        return {};
    }
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (app->get_parent() != nullptr) {
            name = std::string(kProgram) + " " + name;
        }
        return CLI::Formatter::make_usage(app, name);
    }
};

}  // namespace

int Main(int argc, char** argv) {
    CLI::App app("Builds, checks and uploads Quorvin product feed files.", kProgram);
    app.formatter(std::make_shared<CHelpFormatter>());
    app.set_version_flag("--version", std::string(kProgram) + " " + YARVELIN_VERSION);
    app.require_subcommand(1, 1);
    app.footer(
        "'yarvelin-feed COMMAND --help' describes a command.\n"
        "Exit status: 0 success, 1 failure, 2 usage error.");

    std::vector<CliCommand*> sorted;
    for (const auto& c : Commands()) {
        sorted.push_back(c.get());
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const CliCommand* a, const CliCommand* b) { return std::strcmp(a->Name(), b->Name()) < 0; });
    for (CliCommand* c : sorted) {
        CLI::App* sub = app.add_subcommand(c->Name(), c->Summary());
        sub->footer(c->ExitStatuses());
        c->Configure(*sub);
    }

    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "help") {
        std::fputs(app.help().c_str(), stdout);
        return kExitOk;
    }
    // The command a message belongs to: the first argument, when it names one.
    CliCommand* chosen = nullptr;
    for (CliCommand* c : sorted) {
        if (first == c->Name()) {
            chosen = c;
        }
    }
    if (chosen == nullptr && !first.empty() && first[0] != '-') {
        return UsageFailure({}, "unknown command '" + first + "'");
    }
    const std::string_view name = chosen != nullptr ? chosen->Name() : std::string_view();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs((chosen != nullptr ? app.get_subcommand(chosen->Name())->help() : app.help()).c_str(),
                   stdout);
        return kExitOk;
    } catch (const CLI::CallForVersion&) {
        std::printf("%s %s\n", kProgram, YARVELIN_VERSION);
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        return UsageFailure(name, e.what());
    }
    try {
        return chosen->Run();
    } catch (const CUsageError& e) {
        return UsageFailure(name, e.what());
    }
}

}  // namespace yarvelin::cli

int main(int argc, char** argv) {
    return yarvelin::cli::Main(argc, argv);
}

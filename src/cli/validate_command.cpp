// yarvelin-feed validate: the wizard's diagnostics over a feed file of any size, streamed product by product.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "checks/diagnostics_report.h"
#include "checks/feed_diagnosis.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/std_streams.h"
#include "records/cp1252_text.h"

namespace yarvelin::cli {

namespace {

constexpr std::size_t kDefaultMaxPerCode = 10;
// JSON lines are gathered and written in pieces of about this size.
constexpr std::size_t kJsonFlushSize = 1 << 16;

// One finding as a JSON object with the keys of the saved findings, in their order (row and line as
// numbers); texts turned from Windows-1252 into UTF-8, so every byte of a value comes out as valid JSON.
void AppendJsonLine(std::string& out, const Diagnostic& d) {
    const auto values = FindingValues(d);
    nlohmann::ordered_json line;
    for (std::size_t k = 0; k < kFindingKeys.size(); ++k) {
        const std::string_view key = kFindingKeys[k];
        if (!values[k]) {
            line[kFindingKeys[k]] = nullptr;
        } else if (key == "row" || key == "line") {
            line[kFindingKeys[k]] = key == "row" ? d.row : d.line;
        } else {
            line[kFindingKeys[k]] = *values[k];
        }
    }
    out += line.dump();
    out += '\n';
}

void WriteOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

class CValidateCommand : public CliCommand {
  public:
    const char* Name() const override { return "validate"; }
    const char* Summary() const override { return "find the products the service would refuse"; }

    const char* Description() const override {
        return "Checks every product of FEED as the wizard's diagnostics window does, reading the file once\n"
               "and keeping only the offer ids. Prints one block per finding code, errors first, with its\n"
               "count and its first rows, then the line \"N errors, N warnings, N notes in N products\".\n"
               "With --json, standard output holds one JSON object per finding (JSON Lines) with the keys\n"
               "code, severity, row, line, offer_id, column and message, and nothing else.\n"
               "Exit status: 0 when no product has an error (warnings allowed), 1 when one has or FEED\n"
               "cannot be read, 2 on a usage error.";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "FEED", m_feed, "the feed file to check (- for standard input)");
        command.add_flag("--json", m_json, "one JSON object per finding on standard output");
        command
            .add_option("--max-per-code", m_maxPerCode,
                        "findings listed for each code (text: 10 unless given; --json: all unless given)")
            ->check(CLI::NonNegativeNumber);
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        const std::size_t limit = m_maxPerCode.value_or(m_json ? SIZE_MAX : kDefaultMaxPerCode);
        CDiagnosticsReport report(limit);
        std::string json;
        const auto sink = [&](Diagnostic&& d) {
            if (!m_json) {
                report.Add(std::move(d));
                return;
            }
            AppendJsonLine(json, d);
            if (json.size() >= kJsonFlushSize) {
                WriteOut(json);
                json.clear();
            }
        };
        CStdStreams streams(Name());
        const std::string feed = streams.Input(m_feed);
        if (feed.empty()) {
            return kExitFailure;
        }
        const std::optional<DiagnosticsTotals> totals =
            StreamFileDiagnostics(feed, {}, CurrentLocalDateTime(), limit, sink, observer);
        WriteOut(json);
        if (!totals) {
            std::fflush(stdout);
            return kExitFailure;
        }
        if (!m_json) {
            WriteOut(Cp1252ToUtf8(report.Format(*totals)));
        }
        std::fflush(stdout);
        return totals->errors > 0 ? kExitFailure : kExitOk;
    }

  private:
    bool m_replaceUnmappable = false;
    std::string m_feed;
    bool m_json = false;
    std::optional<std::size_t> m_maxPerCode;
};

const CCliRegistration kRegistration(std::make_unique<CValidateCommand>());

}  // namespace

}  // namespace yarvelin::cli

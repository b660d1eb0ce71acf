// yarvelin-feed export: a feed's products as CSV or JSON Lines, for spreadsheets and scripts.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/std_streams.h"
#include "feed/feed_file.h"
#include "feed/feed_file_writer.h"
#include "import/csv_export.h"
#include "records/cp1252_text.h"

namespace yarvelin::cli {

namespace {

class CExportCommand : public CliCommand {
  public:
    const char* Name() const override { return "export"; }
    const char* Summary() const override { return "write a feed's products as CSV or JSON Lines"; }

    const char* Description() const override {
        return "Reads FEED as the wizard loads it and writes its 20 columns to OUT: with --csv as RFC 4180\n"
               "CSV in UTF-8 with the column names on the first line (an import with the generic profile\n"
               "gives back the same feed), with --jsonl one JSON object per product whose keys are the\n"
               "column names. FEED - reads standard input, OUT - writes standard output (not atomically).";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "FEED", m_feed, "the feed file to read (- for standard input)");
        AddStreamArgument(command, "OUT", m_out, "the file to write (- for standard output)");
        CLI::Option* csv = command.add_flag("--csv", m_csv, "write CSV");
        CLI::Option* jsonl = command.add_flag("--jsonl", m_jsonl, "write JSON Lines");
        csv->excludes(jsonl);
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        if (!m_csv && !m_jsonl) {
            throw CUsageError("give --csv or --jsonl");
        }
        CStdStreams streams(Name());
        const std::string in = streams.Input(m_feed);
        const std::string out = in.empty() ? std::string() : streams.Output(m_out);
        if (out.empty()) {
            return kExitFailure;
        }
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        // The input is read before the output is created, so a feed that cannot be read leaves no file.
        CFeedFileWriter writer(observer);
        bool opened = false;
        bool writeFailed = false;
        const auto open = [&] {
            if (!opened) {
                opened = true;
                writeFailed = !writer.Open(out);
                if (!writeFailed && m_csv) {
                    AppendCsvHeader(writer.Buffer());
                }
            }
        };
        const bool read = ReadFeedProducts(
            in, observer, [&](const FeedFileStart&) { open(); },
            [&](const COtherRecord& record, long long, std::size_t) {
                if (writeFailed) {
                    return;
                }
                if (m_csv) {
                    AppendCsvRecord(writer.Buffer(), record);
                } else {
                    nlohmann::ordered_json line;
                    for (int k = 0; k < kColumnCount; ++k) {
                        line[kColumnNames[k]] = Cp1252ToUtf8(record.Field(k));
                    }
                    writer.Buffer() += line.dump();
                    writer.Buffer() += '\n';
                }
                writeFailed = !writer.FlushIfFull();
            });
        if (!read || observer.Failed() || writeFailed) {
            if (opened && !writeFailed) {
                writer.Abort();
            }
            return kExitFailure;
        }
        open();
        if (writeFailed || !writer.Commit() || !streams.Finish()) {
            return kExitFailure;
        }
        return kExitOk;
    }

  private:
    std::string m_feed;
    std::string m_out;
    bool m_csv = false;
    bool m_jsonl = false;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CExportCommand>());

}  // namespace

}  // namespace yarvelin::cli

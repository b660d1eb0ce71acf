// yarvelin-feed clean IN OUT: the wizard's text check with the answers given on the command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
#include "checks/text_cleaning.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/feed_output_options.h"
#include "cli/std_streams.h"
#include "feed/feed_file.h"

namespace yarvelin::cli {

namespace {

class CCleanCommand : public CliCommand {
  public:
    const char* Name() const override { return "clean"; }
    const char* Summary() const override {
        return "clean product names and descriptions, then write the feed";
    }

    const char* Description() const override {
        return "Cleans the name and description of every product in IN, as Verify Data does, and writes the\n"
               "feed to OUT as 'convert' does. Listed HTML tags (<B>, <P>, <BR>, ...) are always removed.";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "IN", m_in, "the feed file to read (- for standard input)");
        AddStreamArgument(command, "OUT", m_out,
                          "the feed file to write (- for standard output, not written atomically)");
        command
            .add_option("--newlines", m_newlines,
                        "remove: newlines, tabs and other control characters are removed;\n"
                        "quote: they are kept, a value holding a tab is written in double quotes,\n"
                        "and each line break becomes one blank")
            ->required()
            ->check(CLI::IsMember({"remove", "quote"}));
        command
            .add_option("--special", m_special,
                        "escape: special and extended characters become HTML escapes such as &#169;\n"
                        "remove: special and extended characters are removed")
            ->required()
            ->check(CLI::IsMember({"escape", "remove"}));
        m_output.Configure(command);
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        CFeedDocument doc;
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        CStdStreams streams(Name());
        const std::string in = streams.Input(m_in);
        if (in.empty()) {
            return kExitFailure;
        }
        LoadFeedFile(doc, in, observer);
        if (observer.Failed()) {
            return kExitFailure;
        }
        CFixedCleanAlerts alerts(m_newlines == "remove" ? kAnswerYes : kAnswerNo,
                                 m_special == "escape" ? kAnswerYes : kAnswerNo);
        CDataCheckObserver quiet;
        VerifyData(doc, alerts, quiet);
        doc.SetBasicFormat(m_output.basic);
        const std::string out = streams.Output(m_out);
        if (out.empty() ||
            !WriteFeedFile(doc, out, HeaderChoicesForDocument(m_output.choices, doc), observer) ||
            observer.Failed() || !streams.Finish()) {
            return kExitFailure;
        }
        if (StderrIsTerminal()) {
            std::fprintf(stderr, "%zu products cleaned and written to %s\n", doc.Count(), m_out.c_str());
        }
        return kExitOk;
    }

  private:
    std::string m_in;
    std::string m_out;
    std::string m_newlines;
    std::string m_special;
    bool m_replaceUnmappable = false;
    CFeedOutputOptions m_output;
};

const CCliRegistration kRegistration(std::make_unique<CCleanCommand>());

}  // namespace

}  // namespace yarvelin::cli

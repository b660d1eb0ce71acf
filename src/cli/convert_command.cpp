// yarvelin-feed convert: rewrites a feed file with the save page's header and column choices.
#include <CLI/CLI.hpp>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/cli_rules.h"
#include "cli/feed_output_options.h"
#include "cli/std_streams.h"
#include "feed/feed_file.h"

namespace yarvelin::cli {

namespace {

class CConvertCommand : public CliCommand {
  public:
    const char* Name() const override { return "convert"; }
    const char* Summary() const override { return "rewrite a feed file with other headers or columns"; }

    const char* Description() const override {
        return "Reads the feed file IN as the wizard loads it and writes OUT as the save page does. OUT is "
               "replaced\nonly once the new file is complete. Without options OUT has no header block and "
               "all "
               "20 columns.\nWith --rules, each product goes through the rules of FILE first; a product a "
               "rule "
               "excludes is\nnot written. A mistake in FILE stops the command before anything is read.";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "IN", m_in, "the feed file to read (- for standard input)");
        AddStreamArgument(command, "OUT", m_out,
                          "the feed file to write (- for standard output, not written atomically)");
        m_output.Configure(command);
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
        command.add_option("--rules", m_rulesFile, "apply the rules of this file to each product on the way")
            ->type_name("FILE");
    }

    int Run() override {
        // A rules file with a mistake stops the command before IN is read or OUT is touched.
        CCliRules rules;
        if (!rules.Load(Name(), m_rulesFile)) {
            return kExitFailure;
        }
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        const ProductTransform transform = rules.Filter();
        CStdStreams streams(Name());
        const std::string in = streams.Input(m_in);
        const std::string out = in.empty() ? std::string() : streams.Output(m_out);
        return !out.empty() &&
                       ConvertFeedFile(in, out, m_output.choices, m_output.basic, observer, transform) &&
                       streams.Finish()
                   ? kExitOk
                   : kExitFailure;
    }

  private:
    std::string m_in;
    std::string m_out;
    CFeedOutputOptions m_output;
    bool m_replaceUnmappable = false;
    std::string m_rulesFile;
};

const CCliRegistration kRegistration(std::make_unique<CConvertCommand>());

}  // namespace

}  // namespace yarvelin::cli

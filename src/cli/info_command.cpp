// yarvelin-feed info: what the wizard would show of a feed file.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "app/feed_document.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "feed/feed_summary.h"
#include "records/text_util.h"

namespace yarvelin::cli {

namespace {

void PrintRow(const std::string& label, const std::string& value) {
    std::string name = TrimRight(label);
    if (!name.empty() && name.back() != ':') {
        name += ':';
    }
    std::printf("%s %s\n", name.c_str(), value.c_str());
}

class CInfoCommand : public CliCommand {
  public:
    const char* Name() const override { return "info"; }
    const char* Summary() const override { return "show the headers and the summary of a feed file"; }

    const char* Description() const override {
        return "Loads FEED as the wizard does and prints the extended-format header values it carries and "
               "the\n"
               "save page's feed summary, one \"Label: value\" per line.";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "FEED", m_feed, "the feed file to read");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        CFeedDocument doc;
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        LoadFeedFile(doc, m_feed, observer);
        if (observer.Failed()) {
            return kExitFailure;
        }
        const std::pair<const char*, const std::string*> headers[] = {
            {"html_escaped", &doc.Headers().htmlEscaped},
            {"updates_only", &doc.Headers().updatesOnly},
            {"product_type", &doc.Headers().productType},
            {"quoted", &doc.Headers().quoted}};
        for (const auto& [key, value] : headers) {
            if (!value->empty()) {
                PrintRow(key, *value);
            }
        }
        // Without a page, the update type is the file's own.
        const bool fullFile = !HeaderValueMeansYes(doc.Headers().updatesOnly);
        for (const auto& [label, value] : BuildSummaryRows(doc, fullFile, "0 BYTES")) {
            PrintRow(label, value);
        }
        return kExitOk;
    }

  private:
    std::string m_feed;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CInfoCommand>());

}  // namespace

}  // namespace yarvelin::cli

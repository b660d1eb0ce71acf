// yarvelin-feed categories: the start of a category map for a feed, for the merchant to check and save.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "records/builtin_lists.h"
#include "rules/category_suggestion.h"

namespace yarvelin::cli {

namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class CCategoriesCommand : public CliCommand {
  public:
    const char* Name() const override { return "categories"; }
    const char* Summary() const override { return "suggest a category map for the categories of a feed"; }

    const char* Description() const override {
        return "Lists the distinct categories of FEED with their numbers of products, each with the "
               "built-in\n"
               "category whose words come closest, as a rules file with one map rule (TOML, UTF-8) on\n"
               "standard output. Categories no built-in one shares a word with are commented out. Check the\n"
               "suggestions, save the text and use it as rules with convert or Rules... in the wizard.";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "FEED", m_feed, "the feed file to read");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        CCategoryTally tally;
        const bool read = ReadFeedProducts(
            m_feed, observer, [](const FeedFileStart&) {},
            [&](const COtherRecord& record, long long, std::size_t) {
                tally.Add(record.Field(kColCategory));
            });
        if (!read) {
            return kExitFailure;
        }
        const std::string text = FormatCategoryMap(tally.Suggest(BuiltinCategories()), BaseName(m_feed));
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return kExitOk;
    }

  private:
    std::string m_feed;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CCategoriesCommand>());

}  // namespace

}  // namespace yarvelin::cli

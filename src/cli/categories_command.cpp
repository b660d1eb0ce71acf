// yarvelin-feed categories: the start of a category map for a feed, for the merchant to check and save.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "handfiles/hand_file.h"
#include "import/import_error.h"
#include "import/map_file.h"
#include "import/shop_import.h"
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
               "suggestions, save the text and use it as rules with convert or Rules... in the wizard.\n"
               "With --profile (or --map-file) FEED is a shop's CSV export, read as import reads it.";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "FEED", m_feed, "the feed file to read");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
        command.add_option("--profile", m_profile,
                           "FEED is a shop export of this profile: woocommerce, shopify, magento2, "
                           "prestashop, generic or auto (detected)");
        command.add_option("--map-file", m_mapFile, "FEED is a shop export read with this map file");
    }

    int Run() override {
        if (!m_profile.empty() || !m_mapFile.empty()) {
            return RunOnExport();
        }
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
    // The categories of the products an import of the export would make.
    int RunOnExport() {
        CCategoryTally tally;
        try {
            ImportSettings settings;
            settings.map = ChooseMap();
            // Only the category and the offer id (rows without one make no product) matter here, so a
            // profile needs no shop address.
            for (int k = 0; k < kColumnCount; ++k) {
                if (k != kColCategory && k != kColOfferId) {
                    settings.map.templates[k].clear();
                }
            }
            settings.map.set.clear();
            ReadShopExport(m_feed, settings,
                           [&](COtherRecord& record, long long) { tally.Add(record.Field(kColCategory)); });
        } catch (const CImportError& e) {
            if (e.GetKind() == CImportError::Kind::kMap) {
                throw CUsageError(e.what());
            }
            PrintError(Name(), m_feed + ": " + e.what());
            return kExitFailure;
        } catch (const CHandFileError& e) {
            throw CUsageError(e.what());
        }
        const std::string text = FormatCategoryMap(tally.Suggest(BuiltinCategories()), BaseName(m_feed));
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return kExitOk;
    }

    ColumnMap ChooseMap() const {
        if (!m_mapFile.empty()) {
            if (!m_profile.empty() && m_profile != "auto") {
                throw CUsageError("--profile and --map-file both name a map: give one");
            }
            return LoadColumnMap(m_mapFile);
        }
        const std::vector<ColumnMap> profiles = LoadProfiles(ProgramDataDir() + "/" + kMapsFolder);
        const int found = m_profile == "auto" ? DetectProfile(profiles, ReadExportHeader(m_feed).columns)
                                              : FindProfile(profiles, m_profile);
        if (found < 0) {
            throw CUsageError("no profile '" + m_profile +
                              "': woocommerce, shopify, magento2, prestashop, generic or auto");
        }
        return profiles[found];
    }

    std::string m_profile;
    std::string m_mapFile;
    std::string m_feed;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CCategoriesCommand>());

}  // namespace

}  // namespace yarvelin::cli

// yarvelin-feed import: a shop's CSV export into a feed file, through a profile or a map of one's own.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/cli_rules.h"
#include "cli/feed_output_options.h"
#include "cli/std_streams.h"
#include "feed/feed_file_writer.h"
#include "handfiles/hand_file.h"
#include "import/import_error.h"
#include "import/map_choice.h"
#include "import/map_file.h"
#include "import/shop_import.h"
#include "records/text_util.h"

namespace yarvelin::cli {

namespace {

// "," ";" "|" or any one character; "tab" or "\t" for TAB.
char SeparatorFromOption(const std::string& text) {
    if (text == "tab" || text == "\\t" || text == "\t") {
        return '\t';
    }
    if (text.size() != 1 || text == "\"" || text == "\n" || text == "\r") {
        throw CUsageError("--separator takes one character, or 'tab'");
    }
    return text[0];
}

class CImportCommand : public CliCommand {
  public:
    const char* Name() const override { return "import"; }
    const char* Summary() const override { return "make a feed file from a shop's CSV export"; }

    const char* Description() const override {
        return "Reads EXPORT, a CSV file from WooCommerce, Shopify, Magento 2, PrestaShop or a spreadsheet,\n"
               "and writes OUT as the save page writes a feed. The profile is detected from the header line\n"
               "unless --profile or --map-file names the map; --map changes single columns of it, e.g.\n"
               "--map 'offer_id={SKU}|{ID}' or --map 'brand=Acme'. Rows that make no product (no offer id)\n"
               "are skipped and counted; --report lists them with their lines. OUT is written only when the\n"
               "whole export was read. EXPORT - reads standard input; OUT - writes standard output once the\n"
               "feed is complete (not atomically, as a file is replaced).\n"
               "The profile's row conditions skip what the shop does not sell (drafts, disabled products);\n"
               "sale prices count between their dates (--date YYYY-MM-DD judges them on another day). An\n"
               "import that gives no product fails and leaves OUT as it was. One summary line (rows,\n"
               "products, skipped by reason) goes to standard error.\n"
               "Exit status: 0 success, 1 the export cannot be read or is broken (the message names the "
               "line)\n"
               "or OUT cannot be written or no product was made, 2 on a usage error, also a map naming a\n"
               "column EXPORT does not have.\n"
               "EXPORT may also be a spreadsheet, .xlsx or .ods (told by what the file holds): its first\n"
               "sheet or the one --sheet names, whose first row names the columns; a mistake in it is named\n"
               "by sheet and cell (Sheet1!C5).\n"
               "EXPORT may also be a Google Merchant Center or Meta catalog feed, tab- or comma-\n"
               "separated or RSS/Atom XML (profile google; an XML mistake is named by its line).\n"
               "--merge FILE --merge-key COLUMN takes columns from a second file (stock, prices) for\n"
               "the products whose offer id is in its key column; it makes no product. --merge-map\n"
               "COLUMN=TEMPLATE names what it sets (default: its columns named like the feed's);\n"
               "--report also lists its rows that matched no product or repeated a key.";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "EXPORT", m_export, "the shop's CSV export (- for standard input)");
        AddStreamArgument(command, "OUT", m_out, "the feed file to write (- for standard output)");
        command.add_option(
            "--profile", m_profile,
            "woocommerce, shopify, magento2, prestashop, google, generic or auto (the default)");
        command.add_option("--map", m_overrides, "COLUMN=TEMPLATE for one feed column (repeatable)")
            ->allow_extra_args(false);
        command.add_option("--map-file", m_mapFile, "a map file to use instead of a profile");
        command.add_option("--save-map", m_saveMap, "write the map used to this file");
        command.add_option("--base-url", m_baseUrl,
                           "the shop's address, for profiles that build page addresses");
        command.add_option("--currency", m_currency, "the currency code of every product, e.g. EUR");
        command
            .add_option("--sheet", m_sheet, "a spreadsheet's sheet to read, by name (the first if not given)")
            ->type_name("NAME");
        command.add_option("--separator", m_separator,
                           "the export's separator: ',' ';' 'tab' (detected if not given)");
        command.add_option("--report", m_report, "write each skipped row's line and reason to this file");
        command
            .add_option("--merge", m_merge.path, "merge the columns of this file into the products by key")
            ->type_name("FILE");
        command.add_option("--merge-key", m_merge.key, "the column of the merge file holding the offer id")
            ->type_name("COLUMN");
        command
            .add_option("--merge-map", m_merge.columns,
                        "COLUMN=TEMPLATE over the merge file's columns for one feed column (repeatable)")
            ->allow_extra_args(false);
        command.add_option("--date", m_date, "judge sale prices' dates on this day (YYYY-MM-DD), not today")
            ->check([](const std::string& text) {
                return ExportDay(text) && text.size() == 10 ? std::string() : "give the day as YYYY-MM-DD";
            });
        command
            .add_option("--rules", m_rulesFile, "apply the rules of this file to each product after the map")
            ->type_name("FILE");
        m_output.Configure(command);
    }

    int Run() override {
        // A rules file with a mistake stops the command before the export is read or OUT is touched.
        CCliRules rules;
        if (!rules.Load(Name(), m_rulesFile)) {
            return kExitFailure;
        }
        CStdStreams streams(Name());
        ImportSettings settings;
        settings.keepRecord = rules.Filter();
        if (!m_separator.empty()) {
            settings.separator = SeparatorFromOption(m_separator);
        }
        settings.sheet = m_sheet;
        settings.baseUrl = m_baseUrl;
        settings.currency = m_currency;
        settings.date = m_date;
        if (m_merge.path.empty() != m_merge.key.empty() ||
            (m_merge.path.empty() && !m_merge.columns.empty())) {
            throw CUsageError("--merge FILE and --merge-key COLUMN go together (--merge-map needs both)");
        }
        if (!m_merge.path.empty()) {
            settings.merges.push_back(m_merge);
        }
        const std::string input = streams.Input(m_export);
        if (input.empty()) {
            return kExitFailure;
        }
        try {
            settings.map = ChooseMap(input, settings.separator);
            // A map saved by the import window keeps the shop's address and currency; the options win.
            if (settings.baseUrl.empty()) {
                settings.baseUrl = settings.map.baseUrl;
            }
            if (settings.currency.empty()) {
                settings.currency = settings.map.currency;
            }
            ApplyOverrides(settings);
            const std::string output = streams.Output(m_out);
            if (output.empty()) {
                return kExitFailure;
            }
            CCliFeedObserver observer(Name());
            ImportCounts counts;
            if (!ImportToFeedFile(input, output, settings, m_output.choices, m_output.basic, observer,
                                  counts) ||
                (counts.products > 0 && !streams.Finish())) {
                return kExitFailure;
            }
            return Report(counts, settings.map);
        } catch (const CImportError& e) {
            if (e.GetKind() == CImportError::Kind::kMap) {
                const std::string what = e.what();
                throw CUsageError(what.find(kNoShopAddress) != std::string::npos
                                      ? what + ": give it with --base-url"
                                      : what);
            }
            PrintError(Name(),
                       (m_export == "-" ? std::string("standard input") : m_export) + ": " + e.what());
            return kExitFailure;
        } catch (const CHandFileError& e) {
            throw CUsageError(e.what());
        }
    }

  private:
    ColumnMap ChooseMap(const std::string& input, char separator) {
        const bool named = !m_profile.empty() && m_profile != "auto";
        if (!m_mapFile.empty() && named) {
            throw CUsageError("--profile and --map-file both name a map: give one");
        }
        try {
            ExportMapChoice choice =
                ChooseExportMap(m_mapFile, m_profile, ProgramDataDir() + "/" + kMapsFolder,
                                [&] { return ReadExportHeader(input, separator, m_sheet).columns; });
            m_choice = named ? std::string("chosen with --profile") : std::move(choice.how);
            return std::move(choice.map);
        } catch (const CImportError& e) {
            if (e.GetKind() != CImportError::Kind::kMap) {
                throw;
            }
            throw CUsageError(e.what());
        }
    }

    void ApplyOverrides(ImportSettings& settings) {
        settings.strictColumns.assign(kColumnCount, false);
        for (const std::string& item : m_overrides) {
            const std::size_t eq = item.find('=');
            const int k = eq == std::string::npos ? -1 : FeedColumnIndex(Trim(item.substr(0, eq)));
            if (k < 0) {
                throw CUsageError("--map " + item + ": give COLUMN=TEMPLATE with one of the 20 feed columns");
            }
            const std::string text = item.substr(eq + 1);
            if (const std::string mistake = TemplateMistake(text); !mistake.empty()) {
                throw CUsageError("--map " + item + ": the template has " + mistake);
            }
            settings.map.templates[k] = text;
            settings.strictColumns[k] = true;
        }
        if (!m_saveMap.empty()) {
            if (const std::string err = SaveColumnMap(m_saveMap, settings.map); !err.empty()) {
                throw CImportError(CImportError::Kind::kInput, 0, m_saveMap + ": " + err);
            }
        }
    }

    int Report(const ImportCounts& counts, const ColumnMap& map) {
        std::string summary = Format("%lld rows read, %lld products made, %lld rows skipped", counts.rowsRead,
                                     counts.products, counts.rowsSkipped);
        for (std::size_t i = 0; i < counts.skippedByReason.size(); ++i) {
            summary += Format("%s%s: %lld", i == 0 ? " (" : ", ", counts.skippedByReason[i].first.c_str(),
                              counts.skippedByReason[i].second);
        }
        summary += counts.skippedByReason.empty() ? "\n" : ")\n";
        if (counts.unmappable > 0) {
            PrintError(Name(), Format("%zu characters that Windows-1252 cannot hold were written as '?'",
                                      counts.unmappable));
        }
        if (!m_report.empty()) {
            std::string report;
            for (const SkippedRow& row : counts.skipped) {
                report += "line " + std::to_string(row.line) + ": " + row.reason + "\n";
            }
            for (const MergeCounts& merge : counts.merges) {
                report += MergeReportLines(merge);
            }
            if (!WriteFileSafely(m_report, report)) {
                PrintError(Name(), m_report + ": the report could not be written");
                return kExitFailure;
            }
        }
        // An empty feed would take every offer of the shop off the service: the import fails instead.
        if (counts.products == 0) {
            const std::string name =
                map.name.empty() ? std::string("a map of one's own") : "profile " + map.name;
            PrintError(
                Name(),
                (m_export == "-" ? std::string("standard input") : m_export) + ": no product was made, so " +
                    (m_out == "-" ? std::string("nothing was written") : m_out + " was left as it was") +
                    " (" + name + ", " + m_choice + ")");
        }
        std::fputs(summary.c_str(), stderr);
        for (const MergeCounts& merge : counts.merges) {
            std::fputs((MergeSummary(merge) + "\n").c_str(), stderr);
        }
        if (counts.products == 0) {
            return kExitFailure;
        }
        return kExitOk;
    }

    std::string m_export;
    std::string m_out;
    std::string m_profile;
    std::vector<std::string> m_overrides;
    std::string m_mapFile;
    std::string m_saveMap;
    std::string m_baseUrl;
    std::string m_currency;
    std::string m_separator;
    std::string m_sheet;
    std::string m_report;
    std::string m_rulesFile;
    std::string m_date;
    std::string m_choice;  // how the map was chosen
    MergeFile m_merge;
    CFeedOutputOptions m_output;
};

const CCliRegistration kRegistration(std::make_unique<CImportCommand>());

}  // namespace

}  // namespace yarvelin::cli

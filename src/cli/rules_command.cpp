// yarvelin-feed rules: what each rule of a rules file would do to a feed, without writing anything.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/cli_rules.h"
#include "feed/feed_file.h"

namespace yarvelin::cli {

namespace {

class CRulesCommand : public CliCommand {
  public:
    const char* Name() const override { return "rules"; }
    const char* Summary() const override { return "count the products each rule of a rules file hits"; }

    const char* Description() const override {
        return "Reads the rules file RULES, reporting every mistake in it with its line, then applies the "
               "rules\n"
               "to each product of FEED as convert does with a rules file and prints, for each rule, the "
               "number of\n"
               "products it changed or left out, then the line \"N products, N left out\". Nothing is "
               "written.\n"
               "With --json, standard output holds one JSON object per rule (JSON Lines) with the keys "
               "rule,\n"
               "name, line, action and hits.";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "RULES", m_rulesFile, "the rules file");
        AddFileArgument(command, "FEED", m_feed, "the feed file to try the rules on");
        command.add_flag("--json", m_json, "one JSON object per rule on standard output");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override {
        const std::optional<CRuleSet> rules = LoadRulesFile(Name(), m_rulesFile);
        if (!rules) {
            return kExitFailure;
        }
        CCliFeedObserver observer(Name());
        observer.SetReplaceUnmappable(m_replaceUnmappable);
        RuleRun run = rules->StartRun();
        COtherRecord product;
        const bool read = ReadFeedProducts(
            m_feed, observer, [](const FeedFileStart&) {},
            [&](const COtherRecord& record, long long, std::size_t) {
                product = record;
                rules->Apply(product, run);
            });
        if (!read) {
            return kExitFailure;
        }
        std::string out;
        for (std::size_t i = 0; i < rules->Rules().size(); ++i) {
            const Rule& rule = rules->Rules()[i];
            if (m_json) {
                nlohmann::ordered_json line;
                line["rule"] = i + 1;
                line["name"] = rule.name;
                line["line"] = rule.line;
                line["action"] = RuleActionName(rule.action.kind);
                line["hits"] = run.hits[i];
                out += line.dump() + "\n";
            } else {
                char count[32];
                std::snprintf(count, sizeof count, "%10zu  ", run.hits[i]);
                out += count + rule.name + " (line " + std::to_string(rule.line) + ", " +
                       RuleActionName(rule.action.kind) + ")\n";
            }
        }
        if (!m_json) {
            out +=
                std::to_string(run.products) + " products, " + std::to_string(run.excluded) + " left out\n";
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
        return kExitOk;
    }

  private:
    std::string m_rulesFile;
    std::string m_feed;
    bool m_json = false;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CRulesCommand>());

}  // namespace

}  // namespace yarvelin::cli

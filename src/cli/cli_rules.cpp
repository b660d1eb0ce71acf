#include "cli/cli_rules.h"

#include "cli/cli_command.h"

namespace yarvelin::cli {

std::optional<CRuleSet> LoadRulesFile(std::string_view command, const std::string& path) {
    try {
        CRuleSet rules = CRuleSet::Load(path);
        for (const std::string& warning : rules.Warnings()) {
            PrintError(command, "warning: " + warning);
        }
        return rules;
    } catch (const CRulesFileError& err) {
        for (const CHandFileError& mistake : err.Mistakes()) {
            PrintError(command, mistake.what());
        }
    } catch (const CHandFileError& err) {
        PrintError(command, err.what());
    }
    return std::nullopt;
}

bool CCliRules::Load(std::string_view command, const std::string& path) {
    if (path.empty()) {
        return true;
    }
    m_rules = LoadRulesFile(command, path);
    return m_rules.has_value();
}

std::function<bool(COtherRecord&)> CCliRules::Filter() {
    if (!m_rules) {
        return {};
    }
    m_run = m_rules->StartRun();
    return [this](COtherRecord& record) { return m_rules->Apply(record, m_run) == RuleVerdict::kKeep; };
}

}  // namespace yarvelin::cli

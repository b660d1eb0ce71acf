#include "cli/cli_rules.h"

#include "cli/cli_command.h"

namespace yarvelin::cli {

std::optional<CRuleSet> LoadRulesFile(std::string_view command, const std::string& path) {
    try {
        return CRuleSet::Load(path);
    } catch (const CRulesFileError& err) {
        for (const CHandFileError& mistake : err.Mistakes()) {
            PrintError(command, mistake.what());
        }
    } catch (const CHandFileError& err) {
        PrintError(command, err.what());
    }
    return std::nullopt;
}

}  // namespace yarvelin::cli

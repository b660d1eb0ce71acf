#include "app/dialog_start_folder.h"

#include <cstdlib>

#include "records/xdg_folders.h"

namespace yarvelin {

namespace {

std::string FolderOfFile(const std::string& path) {
    const std::size_t sep = path.find_last_of('/');
    if (sep == std::string::npos) {
        return {};
    }
    return sep == 0 ? "/" : path.substr(0, sep);
}

std::string Documents(const DialogStartFacts& facts) {
    return facts.documents.empty() ? facts.home : facts.documents;
}

}  // namespace

std::string DialogStartFolder(DialogFileKind kind, const DialogStartFacts& facts) {
    switch (kind) {
        case DialogFileKind::kFeed:
        case DialogFileKind::kFindings: {
            // Beside the open feed; a sample's folder belongs to the program, and a folder that cannot
            // take a new file would only fail the save.
            const std::string folder = FolderOfFile(facts.feedPath);
            if (folder.empty() || facts.feedIsSample || !facts.feedFolderWritable) {
                return Documents(facts);
            }
            return folder;
        }
        case DialogFileKind::kMap:
            return JoinFolder(facts.configFolder, "maps");
        case DialogFileKind::kRules:
            return JoinFolder(facts.configFolder, "rules");
        case DialogFileKind::kJob:
            return JoinFolder(facts.configFolder, "jobs");
    }
    return Documents(facts);
}

std::string ConfigFolder() {
    return XdgConfigHome() + "/yarvelin";
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace yarvelin

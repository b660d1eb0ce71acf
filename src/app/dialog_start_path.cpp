#include "app/dialog_start_path.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"

namespace yarvelin {

QString DialogStartFolderFor(CYarvelinGui& gui, DialogFileKind kind, const std::string& feedPath) {
    DialogStartFacts facts;
    facts.feedPath = feedPath;
    facts.feedIsSample = !facts.feedPath.empty() && gui.App().SampleFeeds().ContainsExactly(facts.feedPath);
    if (!facts.feedPath.empty()) {
        facts.feedFolderWritable = QFileInfo(QFileInfo(FromPath(facts.feedPath)).absolutePath()).isWritable();
    }
    // Many desktops have no Documents folder; a dialog must not open in one that is not there.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists()) {
        facts.documents = ToPath(documents);
    }
    facts.home = ToPath(QDir::homePath());
    facts.configFolder = ConfigFolder();
    const std::string folder = DialogStartFolder(kind, facts);
    if (kind == DialogFileKind::kMap || kind == DialogFileKind::kRules || kind == DialogFileKind::kJob) {
        QDir().mkpath(FromPath(folder));
    }
    return FromPath(folder);
}

}  // namespace yarvelin

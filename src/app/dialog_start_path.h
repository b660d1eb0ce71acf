// The folder a save dialog starts in (FileDialogRequest::startFolder): DialogStartFolder for the open feed
// (feedPath; empty for a new feed) and this desktop. The program's own folders (maps, rules, jobs) are made
// first, so that the dialog can open in them on a fresh account.
#pragma once

#include <QString>
#include <string>

#include "app/dialog_start_folder.h"

namespace yarvelin {

class CYarvelinGui;

QString DialogStartFolderFor(CYarvelinGui& gui, DialogFileKind kind, const std::string& feedPath);

}  // namespace yarvelin

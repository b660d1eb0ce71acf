// Where a save dialog opens: beside the file its new file belongs to, never among the shipped samples, and
// in the program's own configuration folders for the files the program looks for there.
#pragma once

#include <string>

namespace yarvelin {

enum class DialogFileKind {
    kFeed,      // Generate & Save Feed File
    kFindings,  // Save Findings
    kMap,       // the import window's Save Map
    kRules,     // the rules window's Save As
    kJob,       // Save as Job
};

// What the decision depends on, gathered by the window that asks.
struct DialogStartFacts {
    std::string feedPath;            // the open feed's file; empty for a new feed
    bool feedIsSample = false;       // the open feed is one of the shipped samples
    bool feedFolderWritable = true;  // a new file can be made in the open feed's folder
    std::string documents;           // the user's documents folder; empty when there is none
    std::string home;                // the home folder
    std::string configFolder;        // the program's configuration folder (ConfigFolder())
};

// The folder the dialog for kind starts in.
std::string DialogStartFolder(DialogFileKind kind, const DialogStartFacts& facts);

// $XDG_CONFIG_HOME/yarvelin, else ~/.config/yarvelin: maps/, rules/ and jobs/ live there.
std::string ConfigFolder();

// folder + "/" + name, with no doubled separator.
std::string JoinFolder(const std::string& folder, const std::string& name);

}  // namespace yarvelin

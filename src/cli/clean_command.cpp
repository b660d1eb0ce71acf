// yarvelin-feed clean IN OUT: the wizard's text check with the answers given on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "app/remembered_alert.h"
#include "app/yarvelin_app.h"
#include "checks/clean_alerts.h"
#include "checks/text_cleaning.h"
#include "cli/cli_command.h"
#include "cli/feed_report_observer.h"
#include "feed/feed_file.h"

namespace yarvelin::cli {

namespace {

const char kUsage[] =
    "Usage: yarvelin-feed clean IN OUT --newlines remove|quote --special escape|remove\n"
    "                           [--basic] [--headers] [--html-escaped] [--partial] [--quoted]\n"
    "\n"
    "Cleans the name and description of every product in IN, as Verify Data does, and writes the\n"
    "feed to OUT as 'convert' does.\n"
    "  --newlines remove   newlines, tabs and other control characters are removed\n"
    "  --newlines quote    a text holding them is enclosed in double quotes instead\n"
    "  --special escape    special and extended characters become HTML escapes such as &#169;\n"
    "  --special remove    special and extended characters are removed\n"
    "Listed HTML tags (<B>, <P>, <BR>, ...) are always removed.\n"
    "  --basic             write only the seven basic columns\n"
    "  --headers           write the header block; --html-escaped, --partial and --quoted set its values\n"
    "\n"
    "Exit status: 0 when OUT was written, 1 when IN could not be read or OUT not written, 2 on a usage "
    "error.\n";

int Run(const std::vector<std::string>& args);

const CCliCommand kCommand{"clean", "clean product names and descriptions, then write the feed", kUsage,
                           &Run};
const CCliRegistration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    int newlines = 0;
    int special = 0;
    bool basic = false;
    FeedHeaderChoices choices;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--newlines" || a == "--special") {
            if (i + 1 >= args.size()) {
                return UsageError(kCommand, a + " needs a value");
            }
            const std::string& v = args[++i];
            if (a == "--newlines" && (v == "remove" || v == "quote")) {
                newlines = v == "remove" ? kAnswerYes : kAnswerNo;
            } else if (a == "--special" && (v == "escape" || v == "remove")) {
                special = v == "escape" ? kAnswerYes : kAnswerNo;
            } else {
                return UsageError(kCommand, "unknown value '" + v + "' for " + a);
            }
        } else if (a == "--basic") {
            basic = true;
        } else if (a == "--headers") {
            choices.includeHeaders = true;
        } else if (a == "--html-escaped") {
            choices.htmlEscaped = true;
        } else if (a == "--partial") {
            choices.updatesOnly = true;
        } else if (a == "--quoted") {
            choices.quoted = true;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError(kCommand, "unknown option '" + a + "'");
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) {
        return UsageError(kCommand, "expected IN and OUT");
    }
    if (newlines == 0 || special == 0) {
        return UsageError(kCommand, "both --newlines and --special are required");
    }

    CYarvelinApp app;
    CFeedReportObserver observer;
    LoadFeedFile(app, paths[0], observer);
    if (observer.Failed()) {
        return kExitFailure;
    }
    CFeedDocument& doc = app.m_document;
    CFixedCleanAlerts alerts(newlines, special);
    CDataCheckObserver quiet;
    VerifyData(doc, alerts, quiet);
    doc.m_bBasicFormat = basic;
    if (!WriteFeedFile(doc, paths[1], choices, observer) || observer.Failed()) {
        return kExitFailure;
    }
    if (StderrIsTerminal()) {
        std::fprintf(stderr, "%zu products cleaned and written to %s\n", doc.Count(), paths[1].c_str());
    }
    return kExitOk;
}

}  // namespace

}  // namespace yarvelin::cli

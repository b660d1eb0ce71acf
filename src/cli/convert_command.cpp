// yarvelin-feed convert: rewrites a feed file with the save page's header and column choices.
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"

namespace yarvelin::cli {

namespace {

const char kUsage[] =
    "Usage: yarvelin-feed convert IN OUT [--basic] [--headers] [--html-escaped] [--partial] [--quoted]\n"
    "\n"
    "Reads the feed file IN as the wizard loads it and writes OUT as the save page does. OUT is replaced\n"
    "only once the new file is complete. Without options OUT has no header block and all 20 columns.\n"
    "\n"
    "  --basic         write only the seven basic columns\n"
    "  --headers       write the four extended-format header lines\n"
    "  --html-escaped  with --headers: html_escaped=YES\n"
    "  --partial       with --headers: updates_only=YES (the file holds only changed products)\n"
    "  --quoted        with --headers: quoted=YES\n";

int RunConvert(const std::vector<std::string>& args);

const CCliCommand kConvert{"convert", "rewrite a feed file with other headers or columns", kUsage,
                           &RunConvert};
const CCliRegistration kRegistration(kConvert);

int RunConvert(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    FeedHeaderChoices choices;
    bool basic = false;
    bool headerValueGiven = false;
    for (const auto& a : args) {
        if (a == "--basic") {
            basic = true;
        } else if (a == "--headers") {
            choices.includeHeaders = true;
        } else if (a == "--html-escaped") {
            choices.htmlEscaped = headerValueGiven = true;
        } else if (a == "--partial") {
            choices.updatesOnly = headerValueGiven = true;
        } else if (a == "--quoted") {
            choices.quoted = headerValueGiven = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError(kConvert, "unknown option " + a);
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2 || files[0].empty() || files[1].empty()) {
        return UsageError(kConvert, "expected IN and OUT");
    }
    if (headerValueGiven && !choices.includeHeaders) {
        return UsageError(kConvert, "--html-escaped, --partial and --quoted go with --headers");
    }
    CCliFeedObserver observer(kConvert.name);
    return ConvertFeedFile(files[0], files[1], choices, basic, observer) ? kExitOk : kExitFailure;
}

}  // namespace

}  // namespace yarvelin::cli

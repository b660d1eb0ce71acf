// Where each save dialog opens, for the feeds a merchant may have open.
#include "app/dialog_start_folder.h"

#include <gtest/gtest.h>

namespace yarvelin {
namespace {

struct StartCase {
    const char* what;
    DialogFileKind kind;
    const char* feed;
    bool sample;
    bool writable;
    const char* documents;
    const char* expected;
};

TEST(DialogStartFolder, OpensWhereTheFileBelongs) {
    const StartCase cases[] = {
        {"feed beside the open feed", DialogFileKind::kFeed, "/home/m/shop/feed.txt", false, true,
         "/home/m/Documents", "/home/m/shop"},
        {"feed of a sample goes to the documents", DialogFileKind::kFeed,
         "/opt/yarvelin/Samples/SampleOffice.txt", true, true, "/home/m/Documents", "/home/m/Documents"},
        {"new feed goes to the documents", DialogFileKind::kFeed, "", false, true, "/home/m/Documents",
         "/home/m/Documents"},
        {"no documents folder: home", DialogFileKind::kFeed, "", false, true, "", "/home/m"},
        {"feed at the root", DialogFileKind::kFeed, "/feed.txt", false, true, "/home/m/Documents", "/"},
        {"findings beside the feed", DialogFileKind::kFindings, "/home/m/shop/feed.txt", false, true,
         "/home/m/Documents", "/home/m/shop"},
        {"findings of a read-only folder", DialogFileKind::kFindings, "/media/cd/feed.txt", false, false,
         "/home/m/Documents", "/home/m/Documents"},
        {"findings of a sample", DialogFileKind::kFindings, "/opt/yarvelin/Samples/SampleFlowers.txt", true,
         true, "", "/home/m"},
        {"map in the configuration", DialogFileKind::kMap, "/home/m/shop/feed.txt", false, true,
         "/home/m/Documents", "/home/m/.config/yarvelin/maps"},
        {"rules in the configuration", DialogFileKind::kRules, "", false, true, "",
         "/home/m/.config/yarvelin/rules"},
        {"job in the jobs folder", DialogFileKind::kJob, "/home/m/shop/feed.txt", false, true, "",
         "/home/m/.config/yarvelin/jobs"},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.what);
        DialogStartFacts facts;
        facts.feedPath = c.feed;
        facts.feedIsSample = c.sample;
        facts.feedFolderWritable = c.writable;
        facts.documents = c.documents;
        facts.home = "/home/m";
        facts.configFolder = "/home/m/.config/yarvelin/";
        EXPECT_EQ(DialogStartFolder(c.kind, facts), c.expected);
    }
}

}  // namespace
}  // namespace yarvelin

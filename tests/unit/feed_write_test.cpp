// Writing feed files: the layout, reading back, and never losing the file that was there.
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "app/yarvelin_app.h"
#include "feed/feed_file.h"
#include "feed/feed_file_writer.h"
#include "feed/feed_summary.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

using test::CRecordingObserver;
using test::CTempFolder;
using test::ReadBytes;
using test::WriteBytes;

CFeedDocument MakeDocument(int count) {
    CFeedDocument doc;
    for (int i = 0; i < count; ++i) {
        COtherRecord r;
        for (int k = 0; k < kColumnCount; ++k) {
            r.SetField(k, "v" + std::to_string(k) + "-" + std::to_string(i));
        }
        r.SetField(kColName, "The \"best\" \x93" + std::to_string(i) + "\x94");
        r.SetField(kColDescription, "Holds 12\" \"quoted\" parts");
        r.SetField(kColQuantity, "");
        doc.AddOrReplaceRecord(r);
    }
    return doc;
}

TEST(WriteFeedFileTest, LayoutWithAndWithoutHeaders) {
    CTempFolder dir;
    CFeedDocument doc;
    CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("a.txt"), {}, observer));
    EXPECT_EQ(ReadBytes(dir.File("a.txt")), BuildColumnLine(false));  // no break after the last line

    COtherRecord r;
    r.SetField(kColOfferId, "A1");
    doc.AddOrReplaceRecord(r);
    doc.SetBasicFormat(true);
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("b.txt"), {true, true, false, true}, observer));
    EXPECT_EQ(ReadBytes(dir.File("b.txt")),
              "# html_escaped=YES\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n" +
                  BuildColumnLine(true) + "\r\n\t\t\t\t\t\tA1");
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("c.txt"), {true, false, true, false}, observer));
    EXPECT_EQ(ReadBytes(dir.File("c.txt")).substr(0, 59),
              "# html_escaped=NO\r\n# updates_only=YES\r\n# product_type=OTHER");
    EXPECT_TRUE(observer.fileErrors.empty());
}

TEST(WriteFeedFileTest, WrittenFileLoadsBackToTheSameRecords) {
    CTempFolder dir;
    CFeedDocument doc = MakeDocument(50);
    CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("feed.txt"), {true, true, false, true}, observer));
    CYarvelinApp app;
    app.OpenFeed(dir.File("feed.txt"), observer);
    ASSERT_EQ(app.Document().Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        for (int k = 0; k < kColumnCount; ++k) {
            ASSERT_EQ(app.Document().At(i).Field(k), doc.At(i).Field(k)) << i << "/" << k;
        }
    }
    EXPECT_EQ(app.Document().Headers().quoted, "YES");
    EXPECT_EQ(app.Document().Headers().htmlEscaped, "YES");
}

TEST(WriteFeedFileTest, ConvertEqualsLoadThenWriteAndKeepsTheWritersOwnBytes) {
    CTempFolder dir;
    CFeedDocument doc = MakeDocument(20);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        doc.At(i).SetField(kColDescription, "no tab, \"one\" quote");
    }
    CRecordingObserver observer;
    const FeedHeaderChoices choices{true, false, true, true};
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("in.txt"), choices, observer));
    // The quote rule is not idempotent (a tripled quote is written as five), so a file in the writer's own
    // layout reads back to texts that are written the same way only when they hold no quote; check both.
    ASSERT_TRUE(ConvertFeedFile(dir.File("in.txt"), dir.File("conv.txt"), choices, false, observer));
    CYarvelinApp app;
    app.OpenFeed(dir.File("in.txt"), observer);
    ASSERT_TRUE(WriteFeedFile(app.Document(), dir.File("loaded.txt"), choices, observer));
    EXPECT_EQ(ReadBytes(dir.File("conv.txt")), ReadBytes(dir.File("loaded.txt")));

    CFeedDocument plain = MakeDocument(20);
    for (std::size_t i = 0; i < plain.Count(); ++i) {
        plain.At(i).SetField(kColName, "plain");
        plain.At(i).SetField(kColDescription, "no quotes");
    }
    ASSERT_TRUE(WriteFeedFile(plain, dir.File("plain.txt"), choices, observer));
    ASSERT_TRUE(ConvertFeedFile(dir.File("plain.txt"), dir.File("plain2.txt"), choices, false, observer));
    EXPECT_EQ(ReadBytes(dir.File("plain2.txt")), ReadBytes(dir.File("plain.txt")));
    EXPECT_TRUE(observer.fileErrors.empty());
}

// A value holding a TAB is written between quotes; a file that does not say quoted=YES would be split at
// that TAB by the service. The writer and the converter add the header and say so.
struct TabHeaderCase {
    const char* name;
    FeedHeaderChoices chosen;
    bool tab;
    const char* headers;  // expected header block, "" for none
};

class TabValueHeaderTest : public ::testing::TestWithParam<TabHeaderCase> {};

TEST_P(TabValueHeaderTest, FileSaysQuotedWheneverAValueNeedsQuotes) {
    const TabHeaderCase& c = GetParam();
    CTempFolder dir;
    CFeedDocument doc;
    COtherRecord r;
    r.SetField(kColOfferId, "A1");
    r.SetField(kColName, c.tab ? "Desk\tTray" : "Desk Tray");
    r.SetField(kColDescription, c.tab ? "two\ttabs\there" : "plain");
    doc.AddOrReplaceRecord(r);
    const std::string body = BuildColumnLine(false) + "\r\n" + FormatRecordLine(r, false);
    const std::size_t expectedTold = std::string(c.headers).find("quoted=YES") != std::string::npos &&
                                             !(c.chosen.includeHeaders && c.chosen.quoted)
                                         ? 2
                                         : 0;

    CRecordingObserver written;
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("w.txt"), c.chosen, written));
    EXPECT_EQ(ReadBytes(dir.File("w.txt")), c.headers + body);
    EXPECT_EQ(written.quotedHeaderAddedFor, expectedTold);

    // The converter streams, so it must know before its first line; its input here has no header block.
    WriteBytes(dir.File("in.txt"), body);
    CRecordingObserver converted;
    ASSERT_TRUE(ConvertFeedFile(dir.File("in.txt"), dir.File("c.txt"), c.chosen, false, converted));
    EXPECT_EQ(ReadBytes(dir.File("c.txt")), c.headers + body);
    EXPECT_EQ(converted.quotedHeaderAddedFor, expectedTold);
}

constexpr const char* kQuotedNoHeaders =
    "# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n";
INSTANTIATE_TEST_SUITE_P(
    Cases, TabValueHeaderTest,
    ::testing::Values(TabHeaderCase{"NoTabNoHeaders", {}, false, ""},
                      TabHeaderCase{"NoTabKeepsQuotedNo",
                                    {true, true, true, false},
                                    false,
                                    "# html_escaped=YES\r\n# updates_only=YES\r\n# product_type=OTHER\r\n# "
                                    "quoted=NO\r\n"},
                      // Without headers chosen, the block says what a file without headers stands for.
                      TabHeaderCase{"TabAddsHeaders", {false, true, true, false}, true, kQuotedNoHeaders},
                      TabHeaderCase{"TabTurnsQuotedOn",
                                    {true, true, true, false},
                                    true,
                                    "# html_escaped=YES\r\n# updates_only=YES\r\n# product_type=OTHER\r\n# "
                                    "quoted=YES\r\n"},
                      TabHeaderCase{"TabAlreadyQuoted", {true, false, false, true}, true, kQuotedNoHeaders}),
    [](const auto& info) { return std::string(info.param.name); });

// Escapes the text check made must be announced with html_escaped=YES, whatever else was chosen; the header
// lines a file gives are read back as the choices it was written with.
TEST(WriteFeedFileTest, EscapedTextsAreAnnouncedAndAFileGivesBackItsChoices) {
    struct Case {
        FeedHeaderChoices chosen;
        bool escaped;
        FeedHeaderChoices written;
    } cases[] = {
        {{}, false, {}},
        {{false, false, true, true}, true, {true, true, false, false}},  // no block chosen: a plain one
        {{true, false, true, false}, true, {true, true, true, false}},
        {{true, true, false, true}, true, {true, true, false, true}},
    };
    CTempFolder dir;
    CFeedDocument doc;
    COtherRecord r;
    r.SetField(kColOfferId, "A1");
    doc.AddOrReplaceRecord(r);
    for (const Case& c : cases) {
        const FeedHeaderChoices w = HeaderChoicesForEscapes(c.chosen, c.escaped);
        EXPECT_EQ(std::tie(w.includeHeaders, w.htmlEscaped, w.updatesOnly, w.quoted),
                  std::tie(c.written.includeHeaders, c.written.htmlEscaped, c.written.updatesOnly,
                           c.written.quoted));
        CRecordingObserver observer;
        ASSERT_TRUE(WriteFeedFile(doc, dir.File("h.txt"), w, observer));
        const FeedHeaderChoices read = HeaderChoicesOfFile(dir.File("h.txt"));
        EXPECT_EQ(std::tie(read.includeHeaders, read.htmlEscaped, read.updatesOnly, read.quoted),
                  std::tie(w.includeHeaders, w.htmlEscaped, w.updatesOnly, w.quoted));
    }
    EXPECT_FALSE(HeaderChoicesOfFile(dir.File("missing.txt")).includeHeaders);
}

TEST(WriteFeedFileTest, KeepsPermissionsAndWritesThroughALink) {
    CTempFolder dir;
    const std::string real = dir.File("real.txt");
    WriteBytes(real, "old");
    ::chmod(real.c_str(), 0640);
    ASSERT_EQ(::symlink(real.c_str(), dir.File("link.txt").c_str()), 0);
    CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(MakeDocument(1), dir.File("link.txt"), {}, observer));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(real).substr(0, 11), "product_url");
}

// Leaves no temporary file behind and the old file as it was.
void ExpectOnlyTheOldFile(const std::string& folder, const std::string& path, const std::string& old) {
    EXPECT_EQ(ReadBytes(path), old);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "a temporary file was left in " << folder;
}

TEST(FailedWriteKeepsOldFileTest, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not bind the superuser";
    }
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0444);
    CRecordingObserver observer;
    EXPECT_FALSE(WriteFeedFile(MakeDocument(2), path, {}, observer));
    EXPECT_EQ(observer.fileErrors, std::vector<std::string>{"Access to " + path + " was denied."});
    ExpectOnlyTheOldFile(dir.Path(), path, "old");
}

// A folder holding one file "feed.txt" with the text "old", on a file system of the given size (in KiB)
// that can be turned read-only. Uses a tmpfs where mounting is allowed, else folder permissions.
class CSmallFolder {
  public:
    explicit CSmallFolder(int kib) {
        m_mounted = ::mount("tmpfs", m_dir.Path().c_str(), "tmpfs", 0,
                            ("size=" + std::to_string(kib) + "k").c_str()) == 0;
        WriteBytes(File(), "old");
    }
    ~CSmallFolder() {
        if (m_mounted) {
            ::umount(m_dir.Path().c_str());
        }
    }
    bool Mounted() const { return m_mounted; }
    bool MakeReadOnly() {
        if (m_mounted) {
            return ::mount("tmpfs", m_dir.Path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        }
        return ::geteuid() != 0 && ::chmod(m_dir.Path().c_str(), 0555) == 0;
    }
    std::string File() const { return m_dir.File("feed.txt"); }
    const std::string& Path() const { return m_dir.Path(); }

  private:
    CTempFolder m_dir;
    bool m_mounted = false;
};

TEST(FailedWriteKeepsOldFileTest, ReadOnlyFolderKeepsTheOldFile) {
    CSmallFolder folder(1024);
    ASSERT_TRUE(folder.MakeReadOnly()) << "cannot make a read-only folder here";
    CRecordingObserver observer;
    EXPECT_FALSE(WriteFeedFile(MakeDocument(2), folder.File(), {}, observer));
    EXPECT_EQ(observer.fileErrors, std::vector<std::string>{"Access to " + folder.File() + " was denied."});
    ExpectOnlyTheOldFile(folder.Path(), folder.File(), "old");
}

TEST(FailedWriteKeepsOldFileTest, FullFileSystemKeepsTheOldFile) {
    CSmallFolder folder(64);
    if (!folder.Mounted()) {
        GTEST_SKIP() << "mounting a small file system needs privileges; the size limit case covers it";
    }
    CRecordingObserver observer;
    EXPECT_FALSE(WriteFeedFile(MakeDocument(3000), folder.File(), {}, observer));
    EXPECT_EQ(observer.fileErrors,
              std::vector<std::string>{"Disk full while accessing " + folder.File() + "."});
    ExpectOnlyTheOldFile(folder.Path(), folder.File(), "old");
}

TEST(FailedWriteKeepsOldFileTest, WriteRefusedBySizeLimitKeepsTheOldFile) {
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    WriteBytes(path, "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CRecordingObserver observer;
    const bool written = WriteFeedFile(MakeDocument(3000), path, {}, observer);
    // Maps, jobs and reports go the same way, and say why they could not be written.
    int error = 0;
    const bool writtenSafely = WriteFileSafely(path, std::string(64 * 1024, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(observer.fileErrors, std::vector<std::string>{"Disk full while accessing " + path + "."});
    EXPECT_FALSE(writtenSafely);
    EXPECT_EQ(error, EFBIG);
    ExpectOnlyTheOldFile(dir.Path(), path, "old");
}

struct BackupNameCase {
    const char* current;
    bool sample;
    const char* folder;
    const char* proposed;
};

TEST(ProposedBackupFileNameTest, SamplesAreNeverProposed) {
    const BackupNameCase cases[] = {
        {"", false, "/home/u/Documents", "QuorvinFeed1.txt"},
        {"/shop/feed.txt", false, "/home/u/Documents", "/shop/feed.txt"},
        {"/opt/yarvelin/Samples/SampleOffice.txt", true, "/home/u/Documents",
         "/home/u/Documents/SampleOffice.txt"},
        {"/opt/yarvelin/Samples/SampleOffice.txt", true, "/", "/SampleOffice.txt"},
        {"/opt/yarvelin/Samples/SampleOffice.txt", true, "", "SampleOffice.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProposedBackupFileName(c.current, c.sample, c.folder), c.proposed) << c.current;
    }
}

TEST(OfferIdCheckTextTest, CountsMissingAndRepeatedIds) {
    const struct {
        std::vector<std::string> ids;
        const char* text;
    } cases[] = {
        {{}, "Verified"},
        {{"A1", "A2"}, "Verified"},
        {{"A1", "a1", "A1"}, "2 repeated"},
        {{"A1", "", "  "}, "2 missing"},
        {{"A1", "", "a1"}, "1 missing, 1 repeated"},
    };
    for (const auto& c : cases) {
        CFeedDocument doc;
        for (const std::string& id : c.ids) {
            COtherRecord r;
            r.SetField(kColOfferId, id);
            doc.AddOrReplaceRecord(r);
        }
        EXPECT_EQ(OfferIdCheckText(doc), c.text) << c.ids.size();
    }
}

}  // namespace
}  // namespace yarvelin

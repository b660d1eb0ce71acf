#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <deque>
#include <set>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "app/yarvelin_app.h"
#include "checks/clean_alerts.h"
#include "checks/text_cleaning.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

// Answers from a queue and records which questions were asked.
class CQueuedAlerts : public CleanAlerts {
  public:
    int Ask(CleanAlertKind kind) override {
        m_asked.push_back(kind);
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected question";
            return kAnswerYes;
        }
        const int a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    std::deque<int> m_answers;
    std::vector<CleanAlertKind> m_asked;
};

constexpr int Y = kAnswerYes;
constexpr int N = kAnswerNo;
constexpr auto WS = CleanAlertKind::Whitespace;
constexpr auto ESC = CleanAlertKind::Escape;

struct CleanCase {
    const char* label;
    std::string input;
    std::vector<int> answers;
    std::string expected;
    std::vector<CleanAlertKind> asked;
    bool quoted;  // the document's quoted header becomes "YES"
};

void PrintTo(const CleanCase& c, std::ostream* os) {
    *os << c.label;
}

class CleanFieldTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanFieldTest, CleansAsAnswered) {
    const CleanCase& c = GetParam();
    CFeedDocument doc;
    CQueuedAlerts alerts;
    alerts.m_answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(CleanField(doc, c.input, alerts), c.expected);
    EXPECT_EQ(alerts.m_asked, c.asked);
    EXPECT_TRUE(alerts.m_answers.empty()) << "answer left unused";
    EXPECT_EQ(doc.Headers().quoted, c.quoted ? "YES" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanFieldTest,
    ::testing::Values(
        CleanCase{
            "nothing_to_do", "Plain name 42 & co. caf\xe9", {}, "Plain name 42 & co. caf\xe9", {}, false},
        CleanCase{"crlf_yes", "Line one\r\nLine two", {Y}, "Line oneLine two", {WS}, false},
        CleanCase{"crlf_no_keeps_a_blank", "Line one\r\nLine two", {N}, "Line one Line two", {WS}, true},
        CleanCase{"cr_and_lf_no_each_a_blank", "a\rb\nc\n\rd", {N}, "a b c  d", {WS}, true},
        CleanCase{"all_seven_controls_removed", "a\nb\rc\td\ae\bf\vg\fh", {Y}, "abcdefgh", {WS}, false},
        CleanCase{
            "no_keeps_quotes_and_tabs", "\"Big\" lamp\twhite\a", {N}, "\"Big\" lamp\twhite\a", {WS}, true},
        CleanCase{"no_adds_no_quotes", "A \"b\"\tc", {N}, "A \"b\"\tc", {WS}, true},
        CleanCase{"listed_tags_any_case_no_question",
                  "<p>Big<BR> <Br>lamp<!-- x -->",
                  {},
                  "Big lamp x ",
                  {},
                  false},
        CleanCase{"closing_tags_escaped",
                  "<b>Bold</b> and <I>more</I>",
                  {Y},
                  "Bold&#060;/b&#062; and more&#060;/I&#062;",
                  {ESC},
                  false},
        CleanCase{
            "closing_tags_removed", "<b>Bold</b> and <I>more</I>", {N}, "Bold/b and more/I", {ESC}, false},
        CleanCase{"tag_with_attributes_escaped",
                  "<font color=red>Hot</font>",
                  {Y},
                  "&#060;font color=red&#062;Hot&#060;/font&#062;",
                  {ESC},
                  false},
        CleanCase{"removal_joins_a_new_tag", "<<B>P>x<B<B>>", {}, "x", {}, false},
        CleanCase{
            "signs_escaped", "\xa9 2024 \x96 Brand\x99", {Y}, "&#169; 2024 &#150; Brand&#153;", {ESC}, false},
        CleanCase{"signs_removed", "\xa9 2024 \x96 Brand\x99", {N}, " 2024  Brand", {ESC}, false},
        CleanCase{"ascii_specials_three_digits",
                  "@[]`{|}~",
                  {Y},
                  "&#064;&#091;&#093;&#096;&#123;&#124;&#125;&#126;",
                  {ESC},
                  false},
        CleanCase{"all_three_steps_in_order",
                  "<B>Caf\xe9\t\x93"
                  "Best\x94",
                  {N, Y},
                  "Caf\xe9\t&#147;Best&#148;",
                  {WS, ESC},
                  true}));

TEST(EscapeTest, EveryCharacterOfTheSetAndNothingElse) {
    const int codes[] = {60,  62,  64,  91,  93,  96,  123, 124, 125, 126, 133, 134, 135, 145,
                         146, 147, 148, 149, 150, 151, 153, 162, 163, 165, 166, 169, 171, 172,
                         174, 176, 177, 178, 179, 185, 187, 188, 189, 190, 191, 247, 161};
    std::set<int> special(std::begin(codes), std::end(codes));
    ASSERT_EQ(special.size(), 41u);
    for (int c = 1; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        if (special.count(c)) {
            char expected[8];
            std::snprintf(expected, sizeof expected, "&#%03d;", c);
            EXPECT_EQ(EscapeSpecialCharacters(one), expected) << c;
            EXPECT_EQ(RemoveSpecialCharacters(one), "") << c;
        } else {
            EXPECT_EQ(EscapeSpecialCharacters(one), one) << c;
            EXPECT_FALSE(IsSpecialCharacter(static_cast<char>(c))) << c;
        }
    }
}

TEST(StripHtmlTagsTest, EveryListedTagGoesInAnyCase) {
    const char* tags[] = {"<!--", "-->", "<ABBREV>", "<BLOCKQUOTE>", "<H6>", "<PLAINTEXT>", "<WBR>", "<XMP>"};
    for (const char* tag : tags) {
        std::string lower = tag;
        for (char& ch : lower) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        EXPECT_EQ(StripHtmlTags(std::string("a") + tag + "b" + lower + "c"), "abc") << tag;
    }
    // Not listed: closing tags, attributes, unknown names, a blank inside.
    for (const char* kept : {"</B>", "<B >", "<IMG src=x>", "<SPAN>"}) {
        EXPECT_EQ(StripHtmlTags(kept), kept);
    }
}

// A store-backed alert that records whether its dialog was shown.
class CCountingAlerts : public CRememberedCleanAlerts {
  public:
    using CRememberedCleanAlerts::CRememberedCleanAlerts;
    DialogResult m_result{kAnswerYes, false};
    int m_shown = 0;

  protected:
    DialogResult ShowDialog(CleanAlertKind) override {
        ++m_shown;
        return m_result;
    }
};

TEST(RememberedAlertTest, SilencedAnswerIsUsedWithoutDialog) {
    CMemorySettingsStore store;
    settings::kDontShowEscape.Write(store, "T");
    settings::kDontShowEscapeValue.Write(store, kAnswerNo);
    CCountingAlerts alerts(store);
    CFeedDocument doc;
    for (int i = 0; i < 3; ++i) {
        COtherRecord r;
        r.SetField(kColName, "\xa9 Name");
        r.SetField(kColDescription, "Desc \x99");
        doc.AddOrReplaceRecord(r);
    }
    CDataCheckObserver quiet;
    VerifyData(doc, alerts, quiet);
    EXPECT_EQ(alerts.m_shown, 0);
    EXPECT_EQ(doc.At(2).Field(kColName), " Name");
    EXPECT_EQ(doc.At(2).Field(kColDescription), "Desc ");
}

TEST(RememberedAlertTest, ShownWhileFlagIsFAndStoresTickAndAnswer) {
    CMemorySettingsStore store;
    CCountingAlerts alerts(store);
    alerts.m_result = {kAnswerNo, true};
    EXPECT_EQ(alerts.Ask(WS), kAnswerNo);
    EXPECT_EQ(settings::kDontShowWhiteSpace.Read(store), "T");
    EXPECT_EQ(settings::kDontShowWhiteSpaceValue.Read(store), kAnswerNo);
    alerts.m_result = {kAnswerYes, false};
    EXPECT_EQ(alerts.Ask(WS), kAnswerNo) << "silenced: the remembered No";
    EXPECT_EQ(alerts.Ask(ESC), kAnswerYes) << "the other alert is still asked";
    EXPECT_EQ(alerts.m_shown, 2);
    // Anything other than "F" silences, and a missing answer means Yes.
    CMemorySettingsStore fresh;
    settings::kDontShowEscape.Write(fresh, "yes");
    CCountingAlerts silent(fresh);
    EXPECT_EQ(silent.Ask(ESC), kAnswerYes);
    EXPECT_EQ(silent.m_shown, 0);
}

class CRecordingObserver : public CDataCheckObserver {
  public:
    void ShowProgress(bool v) override { m_log.push_back(v ? "show" : "hide"); }
    void SetProgressRange(int lo, int hi) override {
        m_log.push_back("range " + std::to_string(lo) + ".." + std::to_string(hi));
    }
    void SetProgressPos(int p) override { m_log.push_back("pos " + std::to_string(p)); }
    void SetStatusText(const std::string& t) override { m_log.push_back(t); }
    std::vector<std::string> m_log;
};

TEST(VerifyDataTest, CleansNameAndDescriptionOnlyAndMarksEverything) {
    CFeedDocument doc;
    COtherRecord a;
    a.SetField(kColName, "Lamp\t<B>");
    a.SetField(kColDescription, "Line one\r\nLine two \xa9");
    a.SetField(kColProductUrl, "http://x/<a>\t");
    COtherRecord b;
    b.SetField(kColName, "Clean");
    doc.AddOrReplaceRecord(a);
    doc.AddOrReplaceRecord(b);
    CQueuedAlerts alerts;
    alerts.m_answers = {Y, N, Y};  // name: newline; description: newline (quote), escape
    CRecordingObserver observer;
    VerifyData(doc, alerts, observer);

    EXPECT_EQ(doc.At(0).Field(kColName), "Lamp");
    EXPECT_EQ(doc.At(0).Field(kColDescription), "Line one Line two &#169;");
    EXPECT_EQ(doc.At(0).Field(kColProductUrl), "http://x/<a>\t");
    EXPECT_EQ(doc.At(1).Field(kColName), "Clean");
    EXPECT_TRUE(doc.At(0).data_checked);
    EXPECT_TRUE(doc.At(1).data_checked);
    EXPECT_STREQ(doc.At(1).DataStatusText(), "Yes, All OK");
    EXPECT_TRUE(doc.IsDataVerified());
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_EQ(doc.Headers().quoted, "YES");
    EXPECT_EQ(doc.Headers().htmlEscaped, "YES");
    const std::vector<std::string> expected = {"range 0..2",          "show",  "pos 0",
                                               "1 records checked",   "pos 1", "2 records checked",
                                               "All records checked", "pos 2"};
    EXPECT_EQ(observer.m_log, expected);

    // A second run: the line break became a blank, so there is nothing left to ask about.
    alerts.m_answers = {};
    alerts.m_asked.clear();
    VerifyData(doc, alerts, observer);
    EXPECT_TRUE(alerts.m_asked.empty());
    EXPECT_EQ(doc.At(0).Field(kColDescription), "Line one Line two &#169;");
}

TEST(VerifyDataTest, WhatTheNoAnswerKeepsSurvivesASaveAndAReload) {
    CFeedDocument doc;
    COtherRecord a;
    a.SetField(kColName, "Desk\tlamp \"XL\"");
    a.SetField(kColDescription, "Line one\r\nLine two\tend");
    doc.AddOrReplaceRecord(a);
    CQueuedAlerts alerts;
    alerts.m_answers = {N, N};
    CRecordingObserver observer;
    VerifyData(doc, alerts, observer);
    const std::string name(doc.At(0).Field(kColName));
    const std::string description(doc.At(0).Field(kColDescription));
    EXPECT_EQ(description, "Line one Line two\tend");

    test::CTempFolder dir;
    test::CRecordingObserver fileObserver;
    ASSERT_TRUE(WriteFeedFile(doc, dir.File("f.txt"), {true, false, false, true}, fileObserver));
    CYarvelinApp app;
    app.OpenFeed(dir.File("f.txt"), fileObserver);
    ASSERT_EQ(app.Document().Count(), 1u);
    EXPECT_EQ(app.Document().At(0).Field(kColName), name);
    EXPECT_EQ(app.Document().At(0).Field(kColDescription), description);
    EXPECT_EQ(app.Document().Headers().quoted, "YES");
}

TEST(VerifyDataTest, EmptyFeedIsStillMarkedVerified) {
    CFeedDocument doc;
    CQueuedAlerts alerts;
    CRecordingObserver observer;
    VerifyData(doc, alerts, observer);
    EXPECT_TRUE(doc.IsDataVerified());
    EXPECT_EQ(observer.m_log.back(), "pos 0");
}

}  // namespace
}  // namespace yarvelin

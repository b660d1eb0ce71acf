// The upload page's look back at the last upload: the counts line, the Changes window's rows and filters,
// and which snapshot a rollback sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "changes/feed_diff.h"
#include "changes/upload_changes.h"

namespace yarvelin {
namespace {

COtherRecord Product(const std::string& id, const std::string& name, const std::string& price) {
    COtherRecord r;
    r.SetField(kColOfferId, id);
    r.SetField(kColName, name);
    r.SetField(kColPrice, price);
    return r;
}

// a stays, b changes name and price, c goes, d comes.
FeedDiff SampleDiff() {
    return DiffProducts(
        {Product("a", "Lamp", "1"), Product("b", "Desk", "2"), Product("c", "Chair", "3")},
        {Product("a", "Lamp", "1"), Product("b", "Big Desk", "2.5"), Product("d", "Sofa", "4")},
        FeedDiffOptions{});
}

TEST(UploadChangesTest, SinceLastUploadCountsEachKind) {
    FeedDiff diff = SampleDiff();
    EXPECT_EQ(SinceLastUploadText(diff), "since the last upload here: +1 -1 ~1");
    diff.added = 12;
    diff.removed = 3;
    diff.changed = 40;
    EXPECT_EQ(SinceLastUploadText(diff), "since the last upload here: +12 -3 ~40");
    EXPECT_EQ(SinceLastUploadText(FeedDiff{}), "since the last upload here: +0 -0 ~0");
}

TEST(UploadChangesTest, RollbackSendsTheUploadBeforeTheLast) {
    const auto entry = [](int number) {
        SnapshotEntry e;
        e.number = number;
        return e;
    };
    struct Case {
        std::vector<SnapshotEntry> kept;
        int expected;  // the snapshot's number; -1: no rollback
    } cases[] = {
        {{}, -1},
        {{entry(4)}, -1},
        {{entry(4), entry(3)}, 3},
        {{entry(9), entry(7), entry(2)}, 7},
    };
    for (const Case& c : cases) {
        const auto choice = ChooseRollbackSnapshot(c.kept);
        ASSERT_EQ(choice.has_value(), c.expected >= 0) << c.kept.size();
        if (choice) {
            EXPECT_EQ(choice->back, 1);
            EXPECT_EQ(choice->entry.number, c.expected);
        }
    }
}

TEST(UploadChangesTest, RowsAndFilters) {
    const FeedDiff diff = SampleDiff();
    struct Row {
        ProductChangeKind kind;
        int column;
        std::string key, before, after;
    };
    using K = ProductChangeKind;
    struct Case {
        const char* name;
        ChangeRowFilter filter;
        std::vector<Row> expected;
    } cases[] = {
        {"all",
         {},
         {{K::kChanged, kColName, "b", "Desk", "Big Desk"},
          {K::kChanged, kColPrice, "b", "2", "2.5"},
          {K::kAdded, -1, "d", "", "Sofa"},
          {K::kRemoved, -1, "c", "Chair", ""}}},
        {"removed only", {K::kRemoved, -1}, {{K::kRemoved, -1, "c", "Chair", ""}}},
        {"price column", {std::nullopt, kColPrice}, {{K::kChanged, kColPrice, "b", "2", "2.5"}}},
        {"added in a column", {K::kAdded, kColPrice}, {}},
        {"unchanged column", {std::nullopt, kColBrand}, {}},
    };
    for (const Case& c : cases) {
        const std::vector<ChangeRow> rows = ListChangeRows(diff, c.filter);
        ASSERT_EQ(rows.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Row& e = c.expected[i];
            EXPECT_EQ(rows[i].kind, e.kind) << c.name << " " << i;
            EXPECT_EQ(rows[i].column, e.column) << c.name << " " << i;
            EXPECT_EQ(rows[i].key, e.key) << c.name << " " << i;
            EXPECT_EQ(rows[i].before, e.before) << c.name << " " << i;
            EXPECT_EQ(rows[i].after, e.after) << c.name << " " << i;
            EXPECT_EQ(diff.changes[rows[i].change].key, e.key) << c.name << " " << i;
        }
    }
}

}  // namespace
}  // namespace yarvelin

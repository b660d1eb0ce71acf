#include "import/shop_import.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/feed_document.h"
#include "feed/feed_file.h"
#include "import/import_error.h"
#include "import/open_export.h"
#include "import/sale_period.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr int kCurrencyColumn = 19;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool IsAsciiLetterText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

long long Today(const std::string& date) {
    if (const auto day = ExportDay(date)) {
        return *day;
    }
    return static_cast<long long>(std::time(nullptr)) / 86400;
}

std::size_t KeyOf(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

// A condition of the map compiled against the export's header line.
struct RowTest {
    const RowCondition* condition;
    std::vector<int> positions;
    int feedColumn = -1;  // set: the feed column it sets
};

// The map as it is used: the currency the merchant gave replaces the currency column's template.
ColumnMap EffectiveMap(const ImportSettings& settings) {
    ColumnMap map = settings.map;
    if (!settings.currency.empty()) {
        std::string constant;
        for (char c : settings.currency) {
            if (c == '{' || c == '}' || c == '|' || c == '\\') {
                constant += '\\';
            }
            constant += c;
        }
        map.templates[kCurrencyColumn] = constant;
        map.transforms[kCurrencyColumn] = 0;
    }
    return map;
}

// Rows of one product held together while its next row is read (Shopify): only one product at a time.
struct RowGroup {
    std::vector<std::vector<std::string>> rows;  // kept and reused; the first count are the group's
    std::vector<long long> lines;
    std::size_t count = 0;
    bool mayHoldBreaks = false;  // one of its rows went on over a line break

    void Add(std::vector<std::string>& cells, long long line) {
        if (count == rows.size()) {
            rows.emplace_back();
            lines.push_back(0);
        }
        std::swap(rows[count], cells);
        lines[count] = line;
        ++count;
    }
};

class CShopImport {
  public:
    CShopImport(const ImportSettings& settings, const std::vector<std::string>& header,
                const std::function<void(COtherRecord&, long long)>& onProduct, ImportCounts& counts,
                std::vector<CMergeSource>& merges)
        : m_settings(settings),
          m_map(EffectiveMap(settings), header, settings.baseUrl, settings.strictColumns),
          m_onProduct(onProduct),
          m_counts(counts),
          m_merges(merges),
          m_today(Today(settings.date)) {
        const VariantRules& v = settings.map.variants;
        const auto compile = [&](const RowCondition& r) {
            RowTest test{&r, {}, FeedColumnIndex(r.column)};
            for (const std::string& name : r.columns) {
                test.positions.push_back(m_map.ColumnOf(name));
            }
            return test;
        };
        for (const RowCondition& r : settings.map.skip) {
            m_skipTests.push_back(compile(r));
        }
        for (const RowCondition& r : settings.map.set) {
            m_setTests.push_back(compile(r));
        }
        for (const std::string& name : settings.map.sale.prices) {
            if (const int c = m_map.ColumnOf(name); c >= 0) {
                m_salePrices.push_back(c);
            }
        }
        m_saleStarts = settings.map.sale.starts.empty() ? -1 : m_map.ColumnOf(settings.map.sale.starts);
        m_saleEnds = settings.map.sale.ends.empty() ? -1 : m_map.ColumnOf(settings.map.sale.ends);
        m_salePeriod = settings.map.sale.period.empty() ? -1 : m_map.ColumnOf(settings.map.sale.period);
        for (const std::string& column : v.options) {
            if (const int k = FeedColumnIndex(column); k >= 0) {
                m_options.push_back(k);
            }
        }
        m_groupColumn = v.groupBy.empty() ? -1 : m_map.ColumnOf(v.groupBy);
        m_offerColumn = v.offerRows.empty() ? -1 : m_map.ColumnOf(v.offerRows);
        m_refColumn = v.parentRef.empty() ? -1 : m_map.ColumnOf(v.parentRef);
        m_typeColumn = v.parentTypeColumn.empty() ? -1 : m_map.ColumnOf(v.parentTypeColumn);
        m_childListColumn = v.childList.empty() ? -1 : m_map.ColumnOf(v.childList);
        m_childKeyColumn = v.childKey.empty() ? -1 : m_map.ColumnOf(v.childKey);
        for (std::size_t c = 0; c < header.size(); ++c) {
            bool own = false;
            for (const std::string& pattern : v.ownColumns) {
                own = own || (!pattern.empty() && pattern.back() == '*'
                                  ? header[c].rfind(pattern.substr(0, pattern.size() - 1), 0) == 0
                                  : header[c] == pattern);
            }
            m_ownColumn.push_back(own);
            m_productColumn.push_back(std::find(v.productColumns.begin(), v.productColumns.end(),
                                                header[c]) != v.productColumns.end());
        }
        for (const std::string& t : settings.map.templates) {
            m_constantBreaks = m_constantBreaks || HasLineBreak(t);
        }
        for (const std::string& column : v.fromParent) {
            if (const int k = FeedColumnIndex(column); k >= 0) {
                m_fromParent[k] = true;
            }
        }
        m_generatesIds = !m_options.empty() && (m_refColumn >= 0 || m_childListColumn >= 0);
        for (const std::string& key : v.parentKeys) {
            if (const int c = m_map.ColumnOf(key); c >= 0) {
                m_keyColumns.push_back(c);
            }
        }
    }

    void Row(std::vector<std::string>& cells, long long line, bool mayHoldBreaks) {
        ++m_counts.rowsRead;
        if (m_groupColumn < 0) {
            Offer(cells, line, mayHoldBreaks);
            return;
        }
        const std::string& key = cells[m_groupColumn];
        if (m_group.count > 0 && !key.empty() && key == m_group.rows[0][m_groupColumn]) {
            m_group.Add(cells, line);
            m_group.mayHoldBreaks = m_group.mayHoldBreaks || mayHoldBreaks;
            return;
        }
        Flush();
        m_group.Add(cells, line);
        m_group.mayHoldBreaks = mayHoldBreaks;
    }

    // The product whose rows are held is complete: each of its offer rows becomes a record, taking what
    // it leaves empty from the product's first row.
    void Flush() {
        if (m_group.count == 0) {
            return;
        }
        const std::vector<std::string>& first = m_group.rows[0];
        bool anyOffer = false;
        for (std::size_t i = 0; i < m_group.count; ++i) {
            std::vector<std::string>& row = m_group.rows[i];
            if (m_offerColumn >= 0 && row[m_offerColumn].empty()) {
                continue;  // a row of further pictures, not an offer
            }
            anyOffer = true;
            if (i > 0) {
                for (std::size_t c = 0; c < row.size(); ++c) {
                    if ((row[c].empty() && !m_ownColumn[c]) || m_productColumn[c]) {
                        row[c] = first[c];
                    }
                }
            }
            Offer(row, m_group.lines[i], m_group.mayHoldBreaks);
        }
        if (!anyOffer) {
            Skip(m_group.lines[0], kNoOfferRowReason,
                 std::string(kNoOfferRowReason) + " (" + m_settings.map.variants.offerRows +
                     " is empty in all of its rows)");
        }
        m_group.count = 0;
    }

  private:
    bool IsParent(const std::vector<std::string>& cells) const {
        return m_typeColumn >= 0 &&
               EqualsNoCase(Trim(cells[m_typeColumn]), m_settings.map.variants.parentType);
    }

  public:
    // Whether parents list their children: their rows are read before the rest (CollectParent).
    bool ParentsListChildren() const { return m_childListColumn >= 0 && m_childKeyColumn >= 0; }

    // First reading of an export whose parents list their children: each parent is mapped and its
    // children's keys remembered.
    void CollectParent(std::vector<std::string>& cells) {
        if (!IsParent(cells)) {
            return;
        }
        DropEndedSale(cells);
        m_map.Apply(cells, m_record);
        m_parents.push_back(m_record);
        m_parentSkip.push_back(SkipCondition(cells));
        const std::string prefix = m_settings.map.variants.childKey + "=";
        const std::string& list = cells[m_childListColumn];
        for (std::size_t start = 0; start < list.size();) {
            std::size_t end = list.find('|', start);
            end = end == std::string::npos ? list.size() : end;
            // Within an item, "sku=VALUE" ends at the next ',' (the option values follow it).
            const std::string_view item = TrimmedView(std::string_view(list).substr(start, end - start));
            if (item.rfind(prefix, 0) == 0) {
                const std::string_view value = item.substr(prefix.size(), item.find(',') - prefix.size());
                m_parentIndex.emplace(KeyOf(TrimmedView(value)), m_parents.size() - 1);
            }
            start = end + 1;
        }
    }

  private:
    // The index of the row's parent among m_parents, or -1.
    long long ParentOf(const std::vector<std::string>& cells) const {
        if (ParentsListChildren()) {
            const auto it = m_parentIndex.find(KeyOf(TrimmedView(cells[m_childKeyColumn])));
            return it == m_parentIndex.end() ? -1 : static_cast<long long>(it->second);
        }
        if (m_refColumn < 0 || cells[m_refColumn].empty()) {
            return -1;
        }
        std::string ref = Trim(cells[m_refColumn]);
        auto it = m_parentIndex.find(KeyOf(ref));
        if (it == m_parentIndex.end() && ref.rfind("id:", 0) == 0) {
            it = m_parentIndex.find(KeyOf(std::string_view(ref).substr(3)));
        }
        return it == m_parentIndex.end() ? -1 : static_cast<long long>(it->second);
    }

    // The first skip condition the row meets, or nullptr.
    const RowCondition* SkipCondition(const std::vector<std::string>& cells) {
        for (const RowTest& t : m_skipTests) {
            if (RowConditionHolds(t.condition->compiled, cells, t.positions, m_scratch)) {
                return t.condition;
            }
        }
        return nullptr;
    }

    // A sale price outside its dates is not the price the shop sells at today.
    void DropEndedSale(std::vector<std::string>& cells) const {
        if (m_salePrices.empty()) {
            return;
        }
        const auto day = [&](int column) { return column < 0 ? std::nullopt : ExportDay(cells[column]); };
        std::optional<long long> starts = day(m_saleStarts);
        std::optional<long long> ends = day(m_saleEnds);
        if (m_salePeriod >= 0) {
            const SaleDays period = ReadSalePeriod(cells[m_salePeriod]);
            starts = period.first ? period.first : starts;
            ends = period.last ? period.last : ends;
        }
        if ((starts && m_today < *starts) || (ends && m_today > *ends)) {
            for (int c : m_salePrices) {
                cells[c].clear();
            }
        }
    }

    // A variation leaves empty what its parent has; never its parent's offer id, and never a list of the
    // parent's option values ("any size" is no size). Without an offer id of its own it gets its parent's
    // followed by its option values, unique in the feed.
    void TakeFromParent(const COtherRecord& parent) {
        const bool ownOfferId = !TrimmedView(m_record.Field(kColOfferId)).empty();
        for (int k = 0; k < kColumnCount; ++k) {
            if (k == kColOfferId || (!m_record.Field(k).empty() && !m_fromParent[k])) {
                continue;
            }
            if (std::find(m_options.begin(), m_options.end(), k) != m_options.end() &&
                parent.Field(k).find(',') != std::string_view::npos) {
                continue;
            }
            m_record.SetField(k, parent.Field(k));
        }
        if (ownOfferId || TrimmedView(parent.Field(kColOfferId)).empty()) {
            return;
        }
        std::string id(parent.Field(kColOfferId));
        for (int k : m_options) {
            if (!TrimmedView(m_record.Field(k)).empty()) {
                id += "-" + std::string(TrimmedView(m_record.Field(k)));
            }
        }
        std::string unique = id;
        for (int n = 2; m_offerIds.count(std::hash<std::string_view>{}(unique)) > 0; ++n) {
            unique = id + "-" + std::to_string(n);
        }
        m_record.SetField(kColOfferId, unique);
    }

    void Offer(std::vector<std::string>& cells, long long line, bool mayHoldBreaks) {
        DropEndedSale(cells);
        const RowCondition* skip = SkipCondition(cells);
        if (IsParent(cells) && ParentsListChildren()) {
            if (skip != nullptr) {
                Skip(line, skip->reason, skip->reason);
            }
            return;  // read already, with its children
        }
        if (IsParent(cells)) {
            // A parent is no offer; its mapped columns are kept for its variations, under each key.
            m_map.Apply(cells, m_record);
            m_parents.push_back(m_record);
            m_parentSkip.push_back(skip);
            for (int c : m_keyColumns) {
                if (!cells[c].empty()) {
                    m_parentIndex.emplace(KeyOf(TrimmedView(cells[c])), m_parents.size() - 1);
                }
            }
            if (skip != nullptr) {
                Skip(line, skip->reason, skip->reason);
            }
            return;
        }
        if (skip != nullptr) {
            Skip(line, skip->reason, skip->reason);
            return;
        }
        const long long parent = ParentOf(cells);
        if (parent >= 0 && m_parentSkip[static_cast<std::size_t>(parent)] != nullptr) {
            Skip(line, kSkippedParentReason,
                 std::string(kSkippedParentReason) + ": " +
                     m_parentSkip[static_cast<std::size_t>(parent)]->reason);
            return;
        }
        m_map.Apply(cells, m_record);
        if (parent >= 0) {
            mayHoldBreaks = true;
            TakeFromParent(m_parents[static_cast<std::size_t>(parent)]);
        }
        for (const RowTest& t : m_setTests) {
            if (t.feedColumn >= 0 &&
                RowConditionHolds(t.condition->compiled, cells, t.positions, m_scratch)) {
                m_record.SetField(t.feedColumn, t.condition->value);
            }
        }
        std::string_view moneyCurrency = m_map.MoneyCurrency();
        for (CMergeSource& merge : m_merges) {
            const std::string_view merged = merge.Apply(m_record);
            moneyCurrency = merged.empty() ? moneyCurrency : merged;
        }
        if (!CurrencyFits(moneyCurrency, m_record.Field(kCurrencyColumn))) {
            Skip(line, kCurrencyReason,
                 Format("%s: the price is written in %s, the feed's currency is %s", kCurrencyReason,
                        std::string(moneyCurrency).c_str(),
                        std::string(TrimmedView(m_record.Field(kCurrencyColumn))).c_str()));
            return;
        }
        // A feed line cannot hold a line break: the writer would make each one blank, so the record holds
        // what the written feed reads back as.
        for (int k = 0; (mayHoldBreaks || m_constantBreaks) && k < kColumnCount; ++k) {
            if (HasLineBreak(m_record.Field(k))) {
                m_record.SetField(k, FlattenLineBreaks(m_record.Field(k)));
            }
        }
        if (m_settings.keepRecord && !m_settings.keepRecord(m_record)) {
            Skip(line, kLeftOutReason, kLeftOutReason);
            return;
        }
        if (TrimmedView(m_record.Field(kColOfferId)).empty()) {
            Skip(line, "no offer id", kNoOfferIdReason);
            return;
        }
        if (m_generatesIds) {
            m_offerIds.insert(std::hash<std::string_view>{}(m_record.Field(kColOfferId)));
        }
        ++m_counts.products;
        m_onProduct(m_record, line);
    }

    void Skip(long long line, const std::string& label, std::string reason) {
        ++m_counts.rowsSkipped;
        m_counts.skipped.push_back({line, std::move(reason)});
        auto& byReason = m_counts.skippedByReason;
        const auto found = std::find_if(byReason.begin(), byReason.end(),
                                        [&](const auto& entry) { return entry.first == label; });
        if (found == byReason.end()) {
            byReason.emplace_back(label, 1);
        } else {
            ++found->second;
        }
    }

    const ImportSettings& m_settings;
    CCompiledMap m_map;
    const std::function<void(COtherRecord&, long long)>& m_onProduct;
    ImportCounts& m_counts;
    std::vector<CMergeSource>& m_merges;
    COtherRecord m_record;
    int m_groupColumn = -1;
    int m_offerColumn = -1;
    int m_refColumn = -1;
    int m_typeColumn = -1;
    int m_childListColumn = -1;
    int m_childKeyColumn = -1;
    std::vector<int> m_keyColumns;
    bool m_constantBreaks = false;  // a template's own text holds a line break
    std::vector<bool> m_ownColumn;
    std::vector<bool> m_productColumn;
    std::vector<RowTest> m_skipTests;
    std::vector<RowTest> m_setTests;
    std::vector<int> m_salePrices;
    int m_saleStarts = -1;
    int m_saleEnds = -1;
    int m_salePeriod = -1;
    long long m_today;
    std::vector<int> m_options;
    // Hashes of the offer ids written, for making a variation's offer id unique.
    std::unordered_set<std::size_t> m_offerIds;
    bool m_generatesIds = false;
    std::string m_scratch;
    std::vector<const RowCondition*> m_parentSkip;
    std::array<bool, kColumnCount> m_fromParent{};
    RowGroup m_group;
    std::vector<COtherRecord> m_parents;  // with m_parentSkip: the skip condition each met
    // Parents by the hashes of their keys: an export's keys are short and many, and 64-bit hashes of
    // them do not meet by chance.
    std::unordered_map<std::size_t, std::size_t> m_parentIndex;
};

ImportCounts ReadOpenedExport(ExportRowSource& reader, const std::string& path,
                              const ImportSettings& settings,
                              const std::function<void(COtherRecord&, long long)>& onProduct,
                              std::vector<CMergeSource>& merges) {
    ImportCounts counts;
    CShopImport import(settings, reader.Header(), onProduct, counts, merges);
    std::vector<std::string> cells;
    if (import.ParentsListChildren()) {
        const std::unique_ptr<ExportRowSource> first = OpenExport(path, settings.separator, settings.sheet);
        while (first->Next(cells)) {
            import.CollectParent(cells);
        }
    }
    while (reader.Next(cells)) {
        import.Row(cells, reader.RowLine(), reader.RowMayHoldLineBreaks());
    }
    import.Flush();
    counts.unmappable = reader.Unmappable();
    for (const CMergeSource& merge : merges) {
        counts.merges.push_back(merge.Counts());
    }
    return counts;
}

// Merge files are indexed once, before the export is read (twice, when TABs are counted first).
std::vector<CMergeSource> OpenMerges(const ImportSettings& settings) {
    std::vector<CMergeSource> merges;
    for (const MergeFile& file : settings.merges) {
        merges.emplace_back(file, settings.map, settings.baseUrl);
    }
    return merges;
}

}  // namespace

std::optional<long long> ExportDay(std::string_view text) {
    text = TrimmedView(text);
    if (text.empty()) {
        return std::nullopt;
    }
    long long number = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (err == std::errc() && end == text.data() + text.size()) {
        // A Unix time; 1970 days are no sale dates.
        return number >= 0 ? std::optional<long long>(number / 86400) : std::nullopt;
    }
    unsigned y = 0, m = 0, d = 0;
    const char* p = text.data();
    const char* last = text.data() + text.size();
    const auto read = [&](unsigned& out, std::size_t digits) {
        const auto [e, er] =
            std::from_chars(p, digits <= static_cast<std::size_t>(last - p) ? p + digits : last, out);
        const bool ok = er == std::errc() && e == p + digits;
        p = e;
        return ok;
    };
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() > 4 && IsAsciiLetterText(text.substr(0, 3))) {
        // WooCommerce also keeps what a person typed: "Jul 8, 2023".
        const std::string month = ToLowerAscii(text.substr(0, 3));
        const auto found = std::find(std::begin(kMonths), std::end(kMonths), month);
        const std::size_t blank = text.find(' ');
        if (found == std::end(kMonths) || blank == std::string_view::npos) {
            return std::nullopt;
        }
        m = static_cast<unsigned>(found - std::begin(kMonths)) + 1;
        p = text.data() + blank + 1;
        const auto [e, er] = std::from_chars(p, last, d);
        if (er != std::errc() || e == last || *e != ',') {
            return std::nullopt;
        }
        p = e + 1;
        while (p != last && *p == ' ') {
            ++p;
        }
        if (!read(y, 4)) {
            return std::nullopt;
        }
    } else if (text.size() > 4 && text[4] == '/' && text.substr(0, 4).find('/') == std::string_view::npos) {
        // 2023/07/13
        if (!read(y, 4) || *p++ != '/' || !read(m, 2) || p == last || *p++ != '/' || !read(d, 2) ||
            (p != last && *p != ' ')) {
            return std::nullopt;
        }
    } else if (text.find('/') != std::string_view::npos) {
        // Magento writes its admin's form: 3/31/24 or 3/31/2024, perhaps followed by ", 12:00 AM".
        const auto readUpTo = [&](unsigned& out, char stop) {
            const auto [e, er] = std::from_chars(p, last, out);
            const bool ok = er == std::errc() && e != p && (stop == 0 || (e != last && *e == stop));
            p = e + (stop != 0 && ok ? 1 : 0);
            return ok;
        };
        if (!readUpTo(m, '/') || !readUpTo(d, '/') || !readUpTo(y, 0) ||
            (p != last && *p != ',' && *p != ' ')) {
            return std::nullopt;
        }
        y += y < 100 ? 2000 : 0;
    } else if (!read(y, 4) || p == last || *p++ != '-' || !read(m, 2) || p == last || *p++ != '-' ||
               !read(d, 2) || (p != last && *p != ' ' && *p != 'T')) {
        return std::nullopt;
    }
    if (m < 1 || m > 12 || d < 1 || d > 31) {
        return std::nullopt;
    }
    return DaysFromCivil(y, m, d);
}

ExportHeader ReadExportHeader(const std::string& path, char separator, const std::string& sheet) {
    const std::unique_ptr<ExportRowSource> reader = OpenExport(path, separator, sheet);
    return {reader->Header(), reader->Separator(), reader->IsUtf8()};
}

ImportCounts ReadShopExport(const std::string& path, const ImportSettings& settings,
                            const std::function<void(COtherRecord&, long long)>& onProduct) {
    const std::unique_ptr<ExportRowSource> reader = OpenExport(path, settings.separator, settings.sheet);
    std::vector<CMergeSource> merges = OpenMerges(settings);
    return ReadOpenedExport(*reader, path, settings, onProduct, merges);
}

bool ImportToFeedFile(const std::string& path, const std::string& out, const ImportSettings& settings,
                      const FeedHeaderChoices& choices, bool basicFormat, CFeedFileObserver& observer,
                      ImportCounts& counts) {
    // The header block comes first: values holding TABs are counted before anything is written, in a
    // first pass only when the export holds a TAB that can reach a value at all.
    const std::unique_ptr<ExportRowSource> reader = OpenExport(path, settings.separator, settings.sheet);
    std::size_t tabValues = 0;
    bool mayHoldTabs = reader->MayHoldTabs();
    for (const std::string& t : settings.map.templates) {
        mayHoldTabs = mayHoldTabs || HasTab(t);
    }
    std::vector<CMergeSource> merges = OpenMerges(settings);
    for (const CMergeSource& merge : merges) {
        mayHoldTabs = mayHoldTabs || merge.MayHoldTabs();
    }
    if (mayHoldTabs) {
        const std::unique_ptr<ExportRowSource> first = OpenExport(path, settings.separator, settings.sheet);
        ReadOpenedExport(
            *first, path, settings,
            [&](const COtherRecord& record, long long) {
                tabValues += CountValuesWithTabs(record, basicFormat);
            },
            merges);
    }
    CFeedStreamWriter writer(observer);
    bool writeFailed = false;
    counts = ReadOpenedExport(
        *reader, path, settings,
        [&](const COtherRecord& record, long long) {
            if (writeFailed) {
                return;
            }
            if (!writer.IsOpen() && !writer.Open(out, choices, basicFormat, tabValues)) {
                writeFailed = true;
                return;
            }
            writeFailed = !writer.Add(record);
        },
        merges);
    if (writeFailed) {
        return false;
    }
    if (counts.products == 0) {
        return true;
    }
    if (!writer.IsOpen() && !writer.Open(out, choices, basicFormat, tabValues)) {
        return false;
    }
    return writer.Commit();
}

ImportCounts ImportIntoDocument(CFeedDocument& doc, const std::string& path, const ImportSettings& settings) {
    std::vector<COtherRecord> records;
    ImportCounts counts = ReadShopExport(
        path, settings, [&records](COtherRecord& record, long long) { records.push_back(record); });
    doc.StartNewFeed();
    for (COtherRecord& record : records) {
        doc.AppendLoadedRecord(std::move(record));
    }
    // The products are in no file yet: leaving the feed asks to save them.
    doc.MarkChanged();
    return counts;
}

}  // namespace yarvelin

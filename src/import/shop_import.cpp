#include "import/shop_import.h"

#include <array>
#include <unordered_map>
#include <utility>

#include "app/feed_document.h"
#include "feed/feed_file.h"
#include "import/csv_reader.h"
#include "import/import_error.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr int kCurrencyColumn = 19;

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
                const std::function<void(COtherRecord&, long long)>& onProduct, ImportCounts& counts)
        : m_settings(settings),
          m_map(EffectiveMap(settings), header, settings.baseUrl, settings.strictColumns),
          m_onProduct(onProduct),
          m_counts(counts) {
        const VariantRules& v = settings.map.variants;
        m_groupColumn = v.groupBy.empty() ? -1 : m_map.ColumnOf(v.groupBy);
        m_offerColumn = v.offerRows.empty() ? -1 : m_map.ColumnOf(v.offerRows);
        m_refColumn = v.parentRef.empty() ? -1 : m_map.ColumnOf(v.parentRef);
        m_typeColumn = v.parentTypeColumn.empty() ? -1 : m_map.ColumnOf(v.parentTypeColumn);
        for (std::size_t c = 0; c < header.size(); ++c) {
            bool own = false;
            for (const std::string& pattern : v.ownColumns) {
                own = own || (!pattern.empty() && pattern.back() == '*'
                                  ? header[c].rfind(pattern.substr(0, pattern.size() - 1), 0) == 0
                                  : header[c] == pattern);
            }
            m_ownColumn.push_back(own);
        }
        for (const std::string& t : settings.map.templates) {
            m_constantBreaks = m_constantBreaks || HasLineBreak(t);
        }
        for (const std::string& column : v.fromParent) {
            if (const int k = FeedColumnIndex(column); k >= 0) {
                m_fromParent[k] = true;
            }
        }
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
                    if (row[c].empty() && !m_ownColumn[c]) {
                        row[c] = first[c];
                    }
                }
            }
            Offer(row, m_group.lines[i], m_group.mayHoldBreaks);
        }
        if (!anyOffer) {
            Skip(m_group.lines[0], std::string(kNoOfferRowReason) + " (" + m_settings.map.variants.offerRows +
                                       " is empty in all of its rows)");
        }
        m_group.count = 0;
    }

  private:
    bool IsParent(const std::vector<std::string>& cells) const {
        return m_typeColumn >= 0 &&
               EqualsNoCase(Trim(cells[m_typeColumn]), m_settings.map.variants.parentType);
    }

    const COtherRecord* ParentOf(const std::vector<std::string>& cells) const {
        if (m_refColumn < 0 || cells[m_refColumn].empty()) {
            return nullptr;
        }
        std::string ref = Trim(cells[m_refColumn]);
        auto it = m_parentIndex.find(ref);
        if (it == m_parentIndex.end() && ref.rfind("id:", 0) == 0) {
            it = m_parentIndex.find(ref.substr(3));
        }
        return it == m_parentIndex.end() ? nullptr : &m_parents[it->second];
    }

    void Offer(const std::vector<std::string>& cells, long long line, bool mayHoldBreaks) {
        m_map.Apply(cells, m_record);
        if (IsParent(cells)) {
            // A parent is no offer; its mapped columns are kept for its variations, under each key.
            m_parents.push_back(m_record);
            for (int c : m_keyColumns) {
                if (!cells[c].empty()) {
                    m_parentIndex.emplace(Trim(cells[c]), m_parents.size() - 1);
                }
            }
            return;
        }
        if (const COtherRecord* parent = ParentOf(cells)) {
            mayHoldBreaks = true;
            for (int k = 0; k < kColumnCount; ++k) {
                if (m_record.Field(k).empty() || m_fromParent[k]) {
                    m_record.SetField(k, parent->Field(k));
                }
            }
        }
        // A feed line cannot hold a line break: the writer would make each one blank, so the record holds
        // what the written feed reads back as.
        for (int k = 0; (mayHoldBreaks || m_constantBreaks) && k < kColumnCount; ++k) {
            if (HasLineBreak(m_record.Field(k))) {
                m_record.SetField(k, FlattenLineBreaks(m_record.Field(k)));
            }
        }
        if (m_settings.keepRecord && !m_settings.keepRecord(m_record)) {
            Skip(line, kLeftOutReason);
            return;
        }
        if (TrimmedView(m_record.Field(kColOfferId)).empty()) {
            Skip(line, kNoOfferIdReason);
            return;
        }
        ++m_counts.products;
        m_onProduct(m_record, line);
    }

    void Skip(long long line, std::string reason) {
        ++m_counts.rowsSkipped;
        m_counts.skipped.push_back({line, std::move(reason)});
    }

    const ImportSettings& m_settings;
    CCompiledMap m_map;
    const std::function<void(COtherRecord&, long long)>& m_onProduct;
    ImportCounts& m_counts;
    COtherRecord m_record;
    int m_groupColumn = -1;
    int m_offerColumn = -1;
    int m_refColumn = -1;
    int m_typeColumn = -1;
    std::vector<int> m_keyColumns;
    bool m_constantBreaks = false;  // a template's own text holds a line break
    std::vector<bool> m_ownColumn;
    std::array<bool, kColumnCount> m_fromParent{};
    RowGroup m_group;
    std::vector<COtherRecord> m_parents;
    std::unordered_map<std::string, std::size_t> m_parentIndex;
};

ImportCounts ReadOpenedExport(CCsvReader& reader, const ImportSettings& settings,
                              const std::function<void(COtherRecord&, long long)>& onProduct) {
    ImportCounts counts;
    CShopImport import(settings, reader.Header(), onProduct, counts);
    std::vector<std::string> cells;
    while (reader.Next(cells)) {
        import.Row(cells, reader.RowLine(), reader.RowMayHoldLineBreaks());
    }
    import.Flush();
    counts.unmappable = reader.Unmappable();
    return counts;
}

}  // namespace

ExportHeader ReadExportHeader(const std::string& path, char separator) {
    CCsvReader reader;
    reader.Open(path, separator);
    return {reader.Header(), reader.Separator(), reader.IsUtf8()};
}

ImportCounts ReadShopExport(const std::string& path, const ImportSettings& settings,
                            const std::function<void(COtherRecord&, long long)>& onProduct) {
    CCsvReader reader;
    reader.Open(path, settings.separator);
    return ReadOpenedExport(reader, settings, onProduct);
}

bool ImportToFeedFile(const std::string& path, const std::string& out, const ImportSettings& settings,
                      const FeedHeaderChoices& choices, bool basicFormat, CFeedFileObserver& observer,
                      ImportCounts& counts) {
    // The header block comes first: values holding TABs are counted before anything is written, in a
    // first pass only when the export holds a TAB that can reach a value at all.
    CCsvReader reader;
    reader.Open(path, settings.separator);
    std::size_t tabValues = 0;
    bool mayHoldTabs = reader.MayHoldTabs();
    for (const std::string& t : settings.map.templates) {
        mayHoldTabs = mayHoldTabs || HasTab(t);
    }
    if (mayHoldTabs) {
        ReadShopExport(path, settings, [&](const COtherRecord& record, long long) {
            tabValues += CountValuesWithTabs(record, basicFormat);
        });
    }
    CFeedStreamWriter writer(observer);
    bool writeFailed = false;
    counts = ReadOpenedExport(reader, settings, [&](const COtherRecord& record, long long) {
        if (writeFailed) {
            return;
        }
        if (!writer.IsOpen() && !writer.Open(out, choices, basicFormat, tabValues)) {
            writeFailed = true;
            return;
        }
        writeFailed = !writer.Add(record);
    });
    if (writeFailed) {
        return false;
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

// How a shop export's columns become the feed's twenty columns: a map as a person writes it (in a map file,
// on the command line, in the import window) and the same map compiled against one export's header line.
//
// Each feed column takes a template: text with {Source Column} placeholders. Alternatives are separated by
// '|'; the first whose placeholders all give a non-empty value wins, so "{SKU}|{ID}" takes the SKU and falls
// back to the ID. A template without placeholders is a constant. {base} is the shop's address the merchant
// gives; {attribute:Color} is the value of a variant's attribute of that name. A backslash keeps the next
// character as it is (\| \{ \} \\). Templates and column names are UTF-8; the texts they give are
// Windows-1252, like the export's values.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "records/other_record.h"
#include "rules/rule_set.h"

namespace yarvelin {

// Named transformations a column may apply, after its template, in this order.
enum ColumnTransform : unsigned {
    kFirstItem = 1,      // "first_item": the first of a list separated by ',', '|' or ';'
    kCategoryPath = 2,   // "category_path": levels separated by '/', '\' or '>' joined by " > "
    kYesNo = 4,          // "yes_no": 1/yes/true/in stock/a positive quantity give Y, their opposites N
    kKeepHtml = 8,       // "keep_html": HTML left as it is (the text check deals with it); the default
    kDeepestItem = 16,   // "deepest_item": of a list separated by ',' ("\," is a comma of an item), the item
                         // with the most levels (WooCommerce lists a category and its subcategory)
    kCurrencyCode = 32,  // "currency_code": the three-letter code written beside a price ("25.00 EUR"), or
                         // nothing
};
// The transformation of that name, or 0.
unsigned TransformFromName(std::string_view name);
std::vector<std::string> TransformNames(unsigned transforms);

// How rows of one product are found, for exports that write variants as rows of their own.
struct VariantRules {
    // Rows that follow one another with the same value here are one product (Shopify's Handle); its
    // offers are the rows where offerRows is not empty, each taking what it leaves empty from the
    // product's first row.
    std::string groupBy;
    std::string offerRows;
    // Columns that belong to the variant row alone and are never taken from the first row; a name
    // ending in '*' stands for every column it begins ("Variant *").
    std::vector<std::string> ownColumns;
    // Rows whose parentTypeColumn holds parentType are parents (WooCommerce's variable products): not
    // offers themselves, remembered under the values of parentKeys. A row whose parentRef names a parent
    // takes every feed column it leaves empty from it ("id:" before a parent's key is allowed).
    std::string parentTypeColumn;
    std::string parentType;
    std::vector<std::string> parentKeys;
    std::string parentRef;
    // Instead of parentRef, a parent may list its children: childList holds "childKey=VALUE" items
    // separated by '|' (Magento's configurable_variations: "sku=MH01-S,size=S|sku=MH01-M,size=M"). The
    // children may come before their parent, so such an export is read twice.
    std::string childList;
    std::string childKey;
    // Feed columns a variation always takes from its parent (its page address, the product id).
    std::vector<std::string> fromParent;
    // Export columns of a group's rows that belong to the product, not to the row (Shopify's Image Src: the
    // N-th row holds the N-th picture): every offer row takes them from the product's first row.
    std::vector<std::string> productColumns;
    // Feed columns holding a variant's options (size, color): a variation never takes its parent's list of
    // values for them ("any size"), and a variation without offer id gets its parent's followed by these.
    std::vector<std::string> options;
};

// A condition on an export's rows, in the rules file's grammar but on the export's columns. A skip
// condition leaves the row out with its reason; a set condition gives a feed column a value (stock as
// the shop means it).
struct RowCondition {
    std::string reason;  // skip: what the report says (UTF-8)
    std::string column;  // set: the feed column
    std::string value;   // set: its value
    std::string when;    // as written, an inline TOML table (for writing the map back)
    RuleCondition compiled;
    std::vector<std::string> columns;  // the export columns the compiled condition's numbers stand for
};

// Sale or special prices count only from their start to their end date (both optional, end included).
struct SaleWindow {
    std::vector<std::string> prices;  // export columns holding the sale price
    std::string starts;
    std::string ends;
    // A column holding both as an ISO 8601 interval, START/END (Google's sale_price_effective_date); an end
    // at midnight ends the sale before that day.
    std::string period;
};

// How the export writes money: "dot" and "comma" are machine forms (that decimal mark, never thousands
// groups); "guess" reads what is unambiguous (a spreadsheet's "1.234,50").
enum class NumberForm { kGuess, kDot, kComma };
const char* NumberFormName(NumberForm form);

struct AttributePair {
    std::string name;   // the column holding an attribute's name ("Option1 Name")
    std::string value;  // the column holding its value ("Option1 Value")
};

struct ColumnMap {
    std::string name;                 // short name of a profile ("shopify"), empty for a map of one's own
    std::string title;                // what the window shows
    std::string baseUrl;              // the shop's address {base} stands for; empty: none kept
    std::string currency;             // the currency of every product; empty: as the templates give it
    std::vector<std::string> detect;  // a header line holding all of these is an export of this kind
    bool matchFeedNames =
        false;             // a column named like a feed column fills it (case, blanks, _ and - ignored)
    bool lenient = false;  // a placeholder naming a column the export lacks gives nothing
    std::array<std::string, kColumnCount> templates;
    std::array<unsigned, kColumnCount> transforms{};
    VariantRules variants;
    std::vector<AttributePair> attributes;
    std::string attributeList;  // a column holding "name=value,name=value" (Magento's additional attributes)
    NumberForm numberForm = NumberForm::kGuess;
    std::vector<RowCondition> skip;
    std::vector<RowCondition> set;
    SaleWindow sale;
};

// The end of the mistake of a template with {base} when no address was given; the window and the command
// line each add where to give it.
inline constexpr const char* kNoShopAddress = "is built from the shop's address {base}, which was not given";

// The feed column of that name, or -1.
int FeedColumnIndex(std::string_view name);
// "Product URL", "product-url" and "productURL" all give "producturl".
std::string NormalizedColumnName(std::string_view name);

// Empty when text is a well-formed template; otherwise what is wrong with it.
std::string TemplateMistake(std::string_view text);
// The source columns a template names (not {base} or attributes).
std::vector<std::string> TemplateColumns(std::string_view text);

// Price and shipping in the feed's form: two decimals and a decimal point, read in the export's number
// form; a currency sign or code before or after the number is taken off and given back ("EUR", "$").
// A text that is no number in that form (letters, two decimal marks, badly grouped digits, or in the
// guessed form a single mark before three digits) is left as it is, so the diagnostics report it.
std::string NormalizeMoney(std::string& text, NumberForm form = NumberForm::kGuess);
// Whether a currency found beside a price ("$", "EUR") may be the feed's currency code.
bool CurrencyFits(std::string_view found, std::string_view feedCurrency);
// The named transformations on a value.
void ApplyTransforms(unsigned transforms, std::string& text);

// A map compiled against one header line: column positions looked up once, templates split once.
class CCompiledMap {
  public:
    // Throws CImportError (kind kMap) when a template names a column the export lacks (unless the map is
    // lenient for it), when {base} is used without a base address, or when nothing of the export is mapped.
    CCompiledMap(const ColumnMap& map, const std::vector<std::string>& header, std::string baseUrl,
                 const std::vector<bool>& strictColumns = {});

    // Fills the record's twenty columns from one row (record is reused; its flags stay cleared).
    void Apply(const std::vector<std::string>& cells, COtherRecord& record) const;
    // The position of a source column, or -1.
    int ColumnOf(std::string_view name) const;
    // The currency a price or shipping cell of the last row applied was written with, or empty.
    const std::string& MoneyCurrency() const { return m_moneyCurrency; }

  private:
    struct Part {
        enum class Kind { kText, kColumn, kBase, kAttribute } kind = Kind::kText;
        std::string text;  // the constant (Windows-1252), or the attribute's name in lower case
        int column = -1;   // -1 for a column the export lacks
    };
    using Alternative = std::vector<Part>;

    bool Evaluate(const Alternative& alt, const std::vector<std::string>& cells, std::string& out) const;
    const std::string* Attribute(const std::vector<std::string>& cells, const std::string& name) const;

    std::vector<std::string> m_header;
    std::string m_base;
    std::array<std::vector<Alternative>, kColumnCount> m_columns;
    std::array<unsigned, kColumnCount> m_transforms{};
    std::vector<std::pair<int, int>> m_attributePairs;
    int m_attributeList = -1;
    NumberForm m_numberForm = NumberForm::kGuess;
    mutable std::string m_moneyCurrency;
    mutable std::vector<std::pair<std::string, std::string>> m_attributes;  // of the row being mapped
    mutable bool m_attributesRead = false;
    // The row's texts before they go into the record in one piece; kept to reuse their memory.
    mutable std::array<std::string, kColumnCount> m_texts;
};

}  // namespace yarvelin

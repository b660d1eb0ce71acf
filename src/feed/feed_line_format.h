// The feed's line format: how one line splits into values, how values and records are written so that they
// read back as they were, the column line and the header block. Everything here works on one line or one
// record; reading and writing whole files is feed_file.h.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

// The four header choices of the writer.
struct FeedHeaderChoices {
    bool includeHeaders = false;
    bool htmlEscaped = false;
    bool updatesOnly = false;
    bool quoted = false;
};

// The header lines, in the order a file gives them: html_escaped, updates_only, product_type, quoted.
inline constexpr int kHeaderCount = 4;
// Whether line names header key (an index in that order), with or without a blank after "#".
bool NamesHeader(std::string_view line, int key);
// The value line gives for header key, when it is one of the accepted ones.
std::optional<std::string> HeaderValue(std::string_view line, int key);
std::optional<std::string> ParseHeaderValue(const std::string& line, const std::string& key);

// Splits a line at TABs outside double quotes; a doubled quote inside quotes is one literal quote.
std::vector<std::string> SplitFeedLine(const std::string& line);
// The same straight into the record's columns (fields beyond the twentieth dropped, missing ones emptied),
// for the readers' hot loops: the record gets its texts in one allocation, with no string per field. Gives
// the number of fields the line holds.
std::size_t SplitFeedLine(std::string_view line, COtherRecord& record);

std::string BuildColumnLine(bool basicFormat);
// The header lines of the writer (without a line break after the last), or nothing.
std::string BuildHeaderBlock(const FeedHeaderChoices& choices);

// A written file holds Windows-1252 and must not read back as UTF-8 (see feed_encoding.h). Until the
// file holds a byte above 0x7F, the guard watches: when the first such byte starts what UTF-8 would read
// as one character, that sequence is split by quotes that read back as nothing, so the file can no
// longer be valid UTF-8. One guard lasts for one file.
struct Cp1252Guard {
    bool settled = false;
};
// Every column is written so that SplitFeedLine gives the value back: a value holding a TAB is enclosed in
// quotes, a literal quote is written as three quotes (as the pair that ends quotes, inside them), and each
// CR LF, CR or LF becomes one blank, since no line can hold a line break. Anything else is written as is.
// Gives true when line breaks were written as blanks.
bool AppendFeedField(std::string& out, std::string_view text, Cp1252Guard* guard = nullptr);
std::string QuoteDescriptiveText(const std::string& text);
// One product line in the chosen column set.
std::string FormatRecordLine(const COtherRecord& record, bool basicFormat);
// The same appended to out, for the writers' hot loops; gives the number of values whose line breaks
// were written as blanks.
std::size_t FormatRecordLine(std::string& out, const COtherRecord& record, bool basicFormat,
                             Cp1252Guard* guard = nullptr);

// Line breaks in values: CR LF, CR or LF each become one blank.
bool HasLineBreak(std::string_view text);
std::string FlattenLineBreaks(std::string_view text);
// How many of the record's written values hold a line break.
std::size_t CountValuesWithLineBreaks(const COtherRecord& record, bool basicFormat);
// What the user is told before such values are written.
std::string LineBreaksNotice(std::size_t values);

// A value holding a TAB can only be written between quotes, and then the file must say quoted=YES: a reader
// that takes the file as unquoted splits at that TAB and finds one field too many.
bool HasTab(std::string_view text);
std::size_t CountValuesWithTabs(const COtherRecord& record, bool basicFormat);
// The header choices a file holding tabValues such values is written with: unchanged when there are none
// or the choices already say quoted=YES; otherwise quoted=YES, and when no header block was chosen, one
// with the values a file without headers stands for (html_escaped=NO, updates_only=NO).
FeedHeaderChoices HeaderChoicesForValues(const FeedHeaderChoices& chosen, std::size_t tabValues);
// "YES" or "Y" in any letter case: how the service reads a header value.
bool HeaderValueMeansYes(std::string_view value);
// The choices to write a feed with when its texts hold the text check's HTML escapes (escaped): the file must
// then say html_escaped=YES, with a header block of its own when none was chosen, or the service shows the
// codes instead of the characters.
FeedHeaderChoices HeaderChoicesForEscapes(const FeedHeaderChoices& chosen, bool escaped);
// What the user is told before such a file is written with headers other than the chosen ones.
std::string QuotedHeaderNotice(std::size_t values);

}  // namespace yarvelin

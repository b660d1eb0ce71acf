// The text check of product names and descriptions: control characters, HTML tags, special characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;
class CleanAlerts;

// Where the check reports: the list page's progress bar and status line.
class CDataCheckObserver {
  public:
    virtual ~CDataCheckObserver() = default;
    virtual void ShowProgress(bool /*visible*/) {}
    virtual void SetProgressRange(int /*lower*/, int /*upper*/) {}
    virtual void SetProgressPos(int /*pos*/) {}
    virtual void SetStatusText(const std::string& /*text*/) {}
};

// Newline, carriage return, tab, bell, backspace, vertical tab, form feed.
bool IsControlCharacter(char c);
bool HasControlCharacter(std::string_view text);
std::string RemoveControlCharacters(std::string_view text);

// The first listed tag (in list order) that the text holds, upper case; empty when there is none.
std::string_view FindListedTag(std::string_view text);
// Removes every listed tag in any letter case, tag by tag in list order.
std::string StripHtmlTags(std::string_view text);

bool IsSpecialCharacter(char c);
bool HasSpecialCharacter(std::string_view text);
// Each special character becomes "&#" + its Windows-1252 code in three digits + ";".
std::string EscapeSpecialCharacters(std::string_view text);
std::string RemoveSpecialCharacters(std::string_view text);

// Cleans one text, asking through alerts. A No to the newline question keeps TABs and the other control
// characters, turns each line break into one blank (as the feed file would write it) and marks the
// document's quoted value; a Yes to the escape question marks its html_escaped value.
std::string CleanField(CFeedDocument& doc, std::string text, CleanAlerts& alerts);

// Cleans the name and description of every record (shown in a filtered list or not) and marks each record and
// the feed as checked. before, when given, receives each product whose texts changed as it was, with its
// position, for an undo.
void VerifyData(CFeedDocument& doc, CleanAlerts& alerts, CDataCheckObserver& observer,
                std::vector<std::pair<std::size_t, COtherRecord>>* before = nullptr);

}  // namespace yarvelin

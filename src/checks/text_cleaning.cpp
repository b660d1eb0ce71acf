#include "checks/text_cleaning.h"

#include <array>
#include <cstddef>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
#include "feed/feed_line_format.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// Upper case; opening tags only, so a closing tag or a tag with attributes is not one of them.
constexpr std::array<std::string_view, 109> kListedTags = {
    "<!--",       "-->",         "<A>",       "<ABBREV>",     "<ACRONYM>", "<ADDRESS>",  "<APPLET>",
    "<AREA>",     "<AU>",        "<AUTHOR>",  "<B>",          "<BANNER>",  "<BASE>",     "<BASEFONT>",
    "<BGSOUND>",  "<BIG>",       "<BLINK>",   "<BLOCKQUOTE>", "<BQ>",      "<BODY>",     "<BR>",
    "<CAPTION>",  "<CENTER>",    "<CITE>",    "<CODE>",       "<COL>",     "<COLGROUP>", "<CREDIT>",
    "<DEL>",      "<DFN>",       "<DIR>",     "<DIV>",        "<DL>",      "<DT>",       "<DD>",
    "<EM>",       "<EMBED>",     "<FIG>",     "<FN>",         "<FONT>",    "<FORM>",     "<FRAME>",
    "<FRAMESET>", "<H1>",        "<H2>",      "<H3>",         "<H4>",      "<H5>",       "<H6>",
    "<HEAD>",     "<HR>",        "<HTML>",    "<I>",          "<IFRAME>",  "<IMG>",      "<INPUT>",
    "<INS>",      "<ISINDEX>",   "<KBD>",     "<LANG>",       "<LH>",      "<LI>",       "<LINK>",
    "<LISTING>",  "<MAP>",       "<MARQUEE>", "<MATH>",       "<MENU>",    "<META>",     "<MULTICOL>",
    "<NOBR>",     "<NOFRAMES>",  "<NOTE>",    "<OL>",         "<OVERLAY>", "<P>",        "<PARAM>",
    "<PERSON>",   "<PLAINTEXT>", "<PRE>",     "<Q>",          "<RANGE>",   "<SAMP>",     "<SCRIPT>",
    "<SELECT>",   "<SMALL>",     "<SPACER>",  "<SPOT>",       "<STRIKE>",  "<STRONG>",   "<SUB>",
    "<SUP>",      "<TAB>",       "<TABLE>",   "<TBODY>",      "<TD>",      "<TEXTAREA>", "<TEXTFLOW>",
    "<TFOOT>",    "<TH>",        "<THEAD>",   "<TITLE>",      "<TR>",      "<TT>",       "<U>",
    "<UL>",       "<VAR>",       "<WBR>",     "<XMP>",
};

// Windows-1252 codes of the characters that have an escape.
constexpr unsigned char kSpecialCodes[] = {
    60,  62,  64,  91,  93,  96,  123, 124, 125, 126, 133, 134, 135, 145, 146, 147, 148, 149, 150, 151, 153,
    162, 163, 165, 166, 169, 171, 172, 174, 176, 177, 178, 179, 185, 187, 188, 189, 190, 191, 247, 161,
};
static_assert(sizeof(kSpecialCodes) == 41);

constexpr unsigned char kControlCodes[] = {10, 13, 9, 7, 8, 11, 12};

using CharTable = std::array<bool, 256>;

template <std::size_t N>
constexpr CharTable MakeTable(const unsigned char (&codes)[N]) {
    CharTable t{};
    for (unsigned char c : codes) {
        t[c] = true;
    }
    return t;
}

constexpr CharTable kIsSpecial = MakeTable(kSpecialCodes);
constexpr CharTable kIsControl = MakeTable(kControlCodes);

template <typename Pred>
bool AnyOf(std::string_view text, Pred pred) {
    for (char c : text) {
        if (pred(c)) {
            return true;
        }
    }
    return false;
}

template <typename Pred>
std::string RemoveIf(std::string_view text, Pred pred) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!pred(c)) {
            out.push_back(c);
        }
    }
    return out;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Does text hold upperTag at pos, letter case ignored?
bool MatchesAt(std::string_view text, std::size_t pos, std::string_view upperTag) {
    if (text.size() - pos < upperTag.size()) {
        return false;
    }
    for (std::size_t i = 0; i < upperTag.size(); ++i) {
        if (UpperAscii(text[pos + i]) != upperTag[i]) {
            return false;
        }
    }
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view upperTag) {
    // Every tag begins with a character that has no case.
    for (std::size_t pos = text.find(upperTag[0]); pos != std::string_view::npos;
         pos = text.find(upperTag[0], pos + 1)) {
        if (MatchesAt(text, pos, upperTag)) {
            return pos;
        }
    }
    return std::string_view::npos;
}

// Removes every occurrence from `from` on, including those that a removal brings together
// ("<B<B>>" loses both), in one pass: the kept text never ends in the tag.
void RemoveAllNoCase(std::string& text, std::string_view upperTag, std::size_t from) {
    const std::size_t n = upperTag.size();
    std::size_t out = from;
    for (std::size_t in = from; in < text.size(); ++in) {
        text[out++] = text[in];
        if (out >= n && MatchesAt(std::string_view(text.data(), out), out - n, upperTag)) {
            out -= n;
        }
    }
    text.resize(out);
}

}  // namespace

bool IsControlCharacter(char c) {
    return kIsControl[static_cast<unsigned char>(c)];
}
bool HasControlCharacter(std::string_view text) {
    return AnyOf(text, IsControlCharacter);
}
std::string RemoveControlCharacters(std::string_view text) {
    return RemoveIf(text, IsControlCharacter);
}

std::string_view FindListedTag(std::string_view text) {
    if (text.find('<') == std::string_view::npos && text.find("-->") == std::string_view::npos) {
        return {};
    }
    for (std::string_view tag : kListedTags) {
        if (FindNoCase(text, tag) != std::string_view::npos) {
            return tag;
        }
    }
    return {};
}

std::string StripHtmlTags(std::string_view text) {
    std::string s(text);
    // Nearly all texts hold no tag at all; every listed string begins with '<' or is "-->".
    if (s.find('<') == std::string::npos && s.find("-->") == std::string::npos) {
        return s;
    }
    for (std::string_view tag : kListedTags) {
        const std::size_t pos = FindNoCase(s, tag);
        if (pos != std::string::npos) {
            RemoveAllNoCase(s, tag, pos);
        }
    }
    return s;
}

bool IsSpecialCharacter(char c) {
    return kIsSpecial[static_cast<unsigned char>(c)];
}
bool HasSpecialCharacter(std::string_view text) {
    return AnyOf(text, IsSpecialCharacter);
}
std::string RemoveSpecialCharacters(std::string_view text) {
    return RemoveIf(text, IsSpecialCharacter);
}

std::string EscapeSpecialCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (!IsSpecialCharacter(c)) {
            out.push_back(c);
            continue;
        }
        const unsigned code = static_cast<unsigned char>(c);
        const char escape[] = {'&',
                               '#',
                               static_cast<char>('0' + code / 100),
                               static_cast<char>('0' + code / 10 % 10),
                               static_cast<char>('0' + code % 10),
                               ';'};
        out.append(escape, sizeof(escape));
    }
    return out;
}

std::string CleanField(CFeedDocument& doc, std::string text, CleanAlerts& alerts) {
    if (HasControlCharacter(text)) {
        if (alerts.Ask(CleanAlertKind::Whitespace) == kAnswerYes) {
            text = RemoveControlCharacters(text);
        } else {
            // Kept as typed, in the form the feed file can hold it: the writer encloses a value holding
            // a TAB in quotes, and a line break, which no line can hold, becomes one blank now rather than
            // silently on saving. Quote characters added to the text would only become part of the name.
            text = FlattenLineBreaks(text);
            doc.NoteQuoted();
        }
    }
    text = StripHtmlTags(text);
    if (HasSpecialCharacter(text)) {
        if (alerts.Ask(CleanAlertKind::Escape) == kAnswerYes) {
            text = EscapeSpecialCharacters(text);
            // The feed now holds escape sequences, so its html_escaped header should say so.
            doc.NoteHtmlEscaped();
        } else {
            text = RemoveSpecialCharacters(text);
        }
    }
    return text;
}

void VerifyData(CFeedDocument& doc, CleanAlerts& alerts, CDataCheckObserver& observer,
                std::vector<std::pair<std::size_t, COtherRecord>>* before) {
    const int count = static_cast<int>(doc.Count());
    observer.SetProgressRange(0, count);
    observer.ShowProgress(true);
    for (int k = 0; k < count; ++k) {
        observer.SetProgressPos(k);
        COtherRecord& record = doc.At(static_cast<std::size_t>(k));
        std::string name = CleanField(doc, std::string(record.Field(kColName)), alerts);
        std::string description = CleanField(doc, std::string(record.Field(kColDescription)), alerts);
        if (before && (name != record.Field(kColName) || description != record.Field(kColDescription))) {
            before->emplace_back(static_cast<std::size_t>(k), record);
        }
        // Stored in place: handing the record a copy of itself would change nothing else.
        record.SetField(kColName, std::move(name));
        record.SetField(kColDescription, std::move(description));
        record.data_checked = true;
        observer.SetStatusText(Format("%d records checked", k + 1));
    }
    observer.SetStatusText("All records checked");
    observer.SetProgressPos(count);
    doc.SetDataVerified(true);
    doc.MarkChanged();
}

}  // namespace yarvelin

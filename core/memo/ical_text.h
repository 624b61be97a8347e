// The text layer of iCalendar files (.ics): UTF-8, the conversion to and from
// the ANSI code page of the memo files, TEXT escaping, and content lines
// (folding, unfolding, name;param=value:value).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/memo/memo_format.h"

// The ANSI code page the memo files are written in, one character at a time.
// Window code wraps MultiByteToWideChar / WideCharToMultiByte for CP_ACP and
// IsDBCSLeadByte; the tests use table code pages.
struct AnsiCodePage {
    // UTF-8 (65001) is the ANSI code page: a character is a whole UTF-8
    // sequence of up to four bytes, which neither a lead-byte test nor a
    // conversion of one or two bytes sees, so the text is taken as UTF-8.
    bool utf8 = false;
    // The code point of one ANSI character: one byte, or a lead byte and its
    // trail byte. False when the code page has no character for the bytes.
    std::function<bool(const char* bytes, std::size_t length, char32_t& codePoint)> toUnicode;
    // The ANSI bytes of one code point; false when the code page cannot show it
    // (no best-fit substitutes: a character that would change is not shown).
    std::function<bool(char32_t codePoint, std::string& bytes)> fromUnicode;
    LeadBytePredicate isLeadByte = nullptr;
};

// Reads the code point at `pos` of UTF-8 text and steps past it. False (pos
// unchanged) for a byte sequence that is not UTF-8: overlong forms,
// surrogates and values past U+10FFFF are refused.
bool NextUtf8CodePoint(const std::string& text, std::size_t& pos, char32_t& codePoint);
bool IsUtf8(const std::string& text);
void AppendUtf8(std::string& out, char32_t codePoint);

// ANSI memo text to UTF-8 with "\n" line breaks: CR LF, a lone CR and a lone
// LF each give one; other control characters but the tab are left out
// (counted in `dropped`: iCalendar text cannot hold them); a character the
// code page has no code point for becomes U+FFFD (counted in `replaced`).
std::string MemoTextToUtf8(const std::string& ansi, const AnsiCodePage& codePage, int& replaced,
                           int& dropped);
// UTF-8 with "\n" line breaks to ANSI memo text with CR LF ones. Control
// characters but the tab are left out, characters the code page cannot show
// (and bytes that are not UTF-8) become "?"; each counts in `replaced`.
std::string Utf8ToMemoText(const std::string& utf8, const AnsiCodePage& codePage, int& replaced);

// The byte length of an ANSI text cut to at most `limit` bytes without
// splitting a double-byte character or a CR LF pair.
std::size_t AnsiCutLength(const std::string& ansi, std::size_t limit, LeadBytePredicate isLeadByte);
// The same in a code page, whose characters may also be UTF-8 sequences.
std::size_t AnsiCutLength(const std::string& ansi, std::size_t limit, const AnsiCodePage& codePage);

// iCalendar TEXT: backslash, semicolon and comma get a backslash before them,
// a line break ("\n" here) becomes "\n" written out.
std::string EscapeText(const std::string& utf8);
// The reverse: "\n" and "\N" give a line break, "\\", "\;", "\," their
// character; any other backslash stays as it is.
std::string UnescapeText(const std::string& value);

// A content line as written: cut into lines of at most 75 bytes (a
// continuation line starts with one space, counted), never inside a UTF-8
// sequence; every line ends with CR LF.
std::string FoldContentLine(const std::string& line);

// The content lines of a file, unfolded: lines end at LF (a CR before it is
// dropped), a line starting with a space or a tab continues the one before
// without that first character, and empty lines are left out. `number` is
// the 1-based line of the file where the content line starts.
struct UnfoldedLine {
    std::string text;
    int number = 0;
};
std::vector<UnfoldedLine> UnfoldLines(const std::string& bytes);

// One content line read: name ";" params ":" value. Names are kept in upper
// case (they are case-insensitive); parameter values lose their quotes.
struct IcalParam {
    std::string name;
    std::vector<std::string> values;
};
struct IcalProperty {
    std::string name;
    std::vector<IcalParam> params;
    std::string value;
    int line = 0;
    // The first value of a parameter, or nullptr.
    const std::string* Param(const char* upperName) const;
};
// False when the line is not of that form (a name of letters, digits and
// "-", parameters "name=value[,value]", then ":").
bool ParseContentLine(const std::string& text, IcalProperty& out);

std::string UpperAscii(std::string text);

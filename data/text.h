// Small text helpers shared by the tables, the readers and the displays.
// Texts are UTF-8; none of these allocate but FoldCase.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fiscora {

// The text without leading and trailing blanks (spaces and tabs).
std::string_view Trim(std::string_view s);

// Letter case folded to lower case for ASCII and the Latin-1 letters
// (UTF-8 "À".."Þ" but "×"); other characters unchanged.
std::string FoldCase(std::string_view s);

// The text cut to at most n characters (never inside a character).
std::string_view CutToChars(std::string_view s, int n);

// The number of characters (continuation bytes not counted).
int CharCount(std::string_view s);

// The characters in columns [column, column + width) of a UTF-8 text,
// columns counted in characters from 1; fewer where the text ends, none
// before column 1 or for a width below 1. Never cut inside a character.
std::string_view Utf8Columns(std::string_view s, int column, int width);

// The first characters of a line (at most 12) for a refusal's message:
// printable ASCII as is, anything else as '?'.
std::string PrintableStart(std::string_view head);

// Whether the text is one or more ASCII digits and nothing else.
bool OnlyDigits(std::string_view s);
// The value of a text of digits (checked by the caller; at most 18 digits).
int64_t DigitsValue(std::string_view digits);

// The hash of a key's text: eight bytes at a time, mixed by multiplication
// (the keys are short codes, dates and serial numbers).
uint64_t HashText(std::string_view s);
// HashText for a map keyed by texts.
struct TextHash {
  size_t operator()(std::string_view s) const { return static_cast<size_t>(HashText(s)); }
};

}  // namespace fiscora

#include "data/text.h"

#include <algorithm>
#include <cstring>

namespace fiscora {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Utf8Columns(std::string_view s, int column, int width) {
  if (column < 1 || width <= 0) return {};
  size_t i = 0;
  const size_t n = s.size();
  const auto advance = [&] {
    ++i;
    while (i < n && IsContinuation(s[i])) ++i;
  };
  for (int ch = 1; i < n && ch < column; ++ch) advance();
  const size_t start = i;
  for (int k = 0; k < width && i < n; ++k) advance();
  return s.substr(start, i - start);
}

std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      // U+00C0..U+00DE are C3 80..C3 9E; their lower case is 0x20 above.
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}

std::string_view CutToChars(std::string_view s, int n) {
  if (n <= 0) return {};
  if (static_cast<int>(s.size()) <= n) return s;  // bytes >= characters
  int chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsContinuation(s[i])) continue;
    if (chars == n) return s.substr(0, i);
    ++chars;
  }
  return s;
}

int CharCount(std::string_view s) {
  return static_cast<int>(
      std::count_if(s.begin(), s.end(), [](char c) { return !IsContinuation(c); }));
}

bool OnlyDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int64_t DigitsValue(std::string_view digits) {
  int64_t n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

std::string PrintableStart(std::string_view head) {
  std::string out;
  for (char c : head.substr(0, 12)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  return out;
}

uint64_t HashText(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ n;
  for (; n >= 8; n -= 8, p += 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 31;
  }
  // The last bytes gathered in a register (a short copy through memory
  // would stall the load that follows it).
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  h = (h ^ v) * 0x94d049bb133111ebULL;
  return h ^ (h >> 29);
}

}  // namespace fiscora

// The compact store of findings: fixed blocks of 40-byte findings and the
// packed values and texts of their messages.
#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "validate/finding.h"

namespace fiscora {

namespace {

// The packed form of a finding's values and text: one byte that says which
// values are not zero (bits 0 to 2) and whether a text follows (bit 3),
// those values as zigzag variable-length numbers, then the text's length
// the same way and its bytes.
constexpr uint8_t kHasText = 8;
constexpr uint8_t kHasColumns = 16;
constexpr size_t kMaxHead = 1 + 6 * 10;

size_t PutNumber(uint64_t v, unsigned char* out) {
  size_t n = 0;
  while (v >= 0x80) {
    out[n++] = static_cast<unsigned char>(v | 0x80);
    v >>= 7;
  }
  out[n++] = static_cast<unsigned char>(v);
  return n;
}

uint64_t GetNumber(const unsigned char*& p) {
  uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char b = *p++;
    v |= static_cast<uint64_t>(b & 0x7F) << shift;
    if (b < 0x80) return v;
  }
}

uint64_t Zigzag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t Unzigzag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

// The head of the packed form (all but the text's bytes); its size, 0 when
// there is nothing to pack.
size_t PackHead(const Finding& f, bool columns, unsigned char* out) {
  uint8_t head =
      static_cast<uint8_t>((f.text.empty() ? 0 : kHasText) | (columns ? kHasColumns : 0));
  size_t n = 1;
  for (size_t v = 0; v < f.values.size(); ++v) {
    if (f.values[v] == 0) continue;
    head = static_cast<uint8_t>(head | (1u << v));
    n += PutNumber(Zigzag(f.values[v]), out + n);
  }
  if (columns) {
    n += PutNumber(Zigzag(f.first_column), out + n);
    n += PutNumber(Zigzag(f.last_column), out + n);
  }
  if (!f.text.empty()) n += PutNumber(f.text.size(), out + n);
  out[0] = head;
  return head == 0 ? 0 : n;
}

bool ShortColumn(int32_t c) { return c >= 0 && c < 0xFFFF; }

}  // namespace

void FindingList::push_back(const Finding& f) {
  static_assert(sizeof(Stored) == 32);
  static_assert(static_cast<unsigned>(Check::kItemWithoutCst) < 256);
  if (size_ >= std::numeric_limits<uint32_t>::max() || f.line < 0 || f.line >= (int64_t{1} << 48))
    throw std::length_error("too many findings");
  if (blocks_.empty() || blocks_.back().size() == kBlock) {
    blocks_.emplace_back();
    blocks_.back().reserve(kBlock);
  }
  const bool columns_beside = !ShortColumn(f.first_column) || !ShortColumn(f.last_column);
  Stored s;
  s.head = static_cast<uint64_t>(f.line) << 16 | static_cast<uint64_t>(f.check) << 8 |
           (f.severity == Severity::kAviso ? 0x80u : 0u) |
           (f.record_size == Finding::kRecordInText ? kLongRecord : f.record_size);
  s.first_column = columns_beside ? kColumnsBeside : static_cast<uint16_t>(f.first_column);
  s.last_column = columns_beside ? 0 : static_cast<uint16_t>(f.last_column);
  s.record = f.record;
  s.field = f.field;
  unsigned char head[kMaxHead];
  const size_t head_size = PackHead(f, columns_beside, head);
  const size_t total = head_size + f.text.size();
  if (head_size == 0) {
    s.payload = 0;
  } else if (total <= 7) {
    unsigned char bytes[7];
    std::memcpy(bytes, head, head_size);
    std::memcpy(bytes + head_size, f.text.data(), f.text.size());
    s.payload = total;
    for (size_t i = 0; i < total; ++i)
      s.payload |= static_cast<uint64_t>(bytes[i]) << (8 * (i + 1));
  } else {
    if (arena_.empty() || arena_.back().capacity() - arena_.back().size() < total) {
      arena_.emplace_back();
      arena_.back().reserve(std::max(kArenaBlock, total));
    }
    std::string& block = arena_.back();
    const uint64_t offset = (static_cast<uint64_t>(arena_.size() - 1) << 32) | block.size();
    block.append(reinterpret_cast<const char*>(head), head_size);
    block.append(f.text);
    s.payload = kInArena | (offset << 8);
  }
  blocks_.back().push_back(s);
  ++size_;
}

void FindingList::clear() {
  blocks_.clear();
  arena_.clear();
  size_ = 0;
}

void FindingList::Read(size_t i, Finding& out) const {
  const Stored& s = At(i);
  out.line = LineOf(s);
  out.first_column = s.first_column;
  out.last_column = s.last_column;
  out.field = s.field;
  out.check = static_cast<Check>(s.head >> 8 & 0xFF);
  out.severity = s.head & 0x80 ? Severity::kAviso : Severity::kErro;
  const uint64_t record_size = s.head & 7;
  out.record_size =
      record_size == kLongRecord ? Finding::kRecordInText : static_cast<uint8_t>(record_size);
  out.record = s.record;
  out.values = {};
  out.text.clear();
  const uint64_t kind = s.payload & 0xFF;
  if (kind == 0) return;
  unsigned char inline_bytes[8];
  const unsigned char* p;
  if (kind == kInArena) {
    const uint64_t offset = s.payload >> 8;
    p = reinterpret_cast<const unsigned char*>(arena_[offset >> 32].data() + (offset & 0xFFFFFFFF));
  } else {
    for (size_t b = 0; b < kind; ++b)
      inline_bytes[b] = static_cast<unsigned char>(s.payload >> (8 * (b + 1)));
    p = inline_bytes;
  }
  const uint8_t head = *p++;
  for (size_t v = 0; v < out.values.size(); ++v)
    if (head & (1u << v)) out.values[v] = Unzigzag(GetNumber(p));
  if (head & kHasColumns) {
    out.first_column = static_cast<int32_t>(Unzigzag(GetNumber(p)));
    out.last_column = static_cast<int32_t>(Unzigzag(GetNumber(p)));
  }
  if (head & kHasText) {
    const size_t length = GetNumber(p);
    out.text.assign(reinterpret_cast<const char*>(p), length);
  }
}

size_t FindingList::SortedPrefix() const {
  size_t i = 1;
  while (i < size_ && LineAt(i - 1) <= LineAt(i)) ++i;
  return std::min(i, size_);
}

void FindingList::SortByLine(size_t sorted_prefix) {
  if (sorted_prefix >= size_) return;
  // The findings after the prefix ordered by index, merged with the prefix
  // into `from` (from[i - start]: the finding that goes to place i), which
  // is then applied in place, cycle by cycle: a few bytes a finding beside
  // them. The findings of the prefix before the first that moves stay.
  std::vector<uint32_t> tail(size_ - sorted_prefix);
  for (size_t i = 0; i < tail.size(); ++i) tail[i] = static_cast<uint32_t>(sorted_prefix + i);
  auto by_line = [this](size_t a, size_t b) { return LineAt(a) < LineAt(b); };
  std::stable_sort(tail.begin(), tail.end(), by_line);
  size_t start = 0, end = sorted_prefix;  // the first of the prefix after the tail's first
  while (start < end) {
    const size_t mid = start + (end - start) / 2;
    if (by_line(tail[0], mid))
      end = mid;
    else
      start = mid + 1;
  }
  std::vector<uint32_t> from;
  from.reserve(size_ - start);
  size_t p = start, t = 0;
  while (p < sorted_prefix && t < tail.size()) {
    if (by_line(tail[t], p))
      from.push_back(tail[t++]);
    else
      from.push_back(static_cast<uint32_t>(p++));
  }
  while (p < sorted_prefix) from.push_back(static_cast<uint32_t>(p++));
  while (t < tail.size()) from.push_back(tail[t++]);
  tail = {};
  auto source = [&](size_t i) -> uint32_t& { return from[i - start]; };
  for (size_t i = start; i < size_; ++i) {
    if (source(i) == i) continue;
    const Stored first = At(i);
    size_t j = i;
    for (;;) {
      const size_t k = source(j);
      source(j) = static_cast<uint32_t>(j);
      if (k == i) {
        At(j) = first;
        break;
      }
      At(j) = At(k);
      j = k;
    }
  }
}

}  // namespace fiscora

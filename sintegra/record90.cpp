#include "sintegra/record90.h"

#include <algorithm>
#include <system_error>

#include "data/atomic_file.h"
#include "data/block_lines.h"
#include "data/text.h"
#include "session/pacer.h"
#include "sintegra/header.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"

namespace fiscora {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlock = size_t{1} << 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Lines of a file as they stand: the bytes of the line, a byte-order mark
// kept in front of the first, and its line end ("\r\n", "\n", "\r" in a
// file whose first line ends with a CR alone, or empty for a last line
// without one). Views stay valid until the next call of Next.
class RawLines {
 public:
  explicit RawLines(const fs::path& path) : lines_(path, kBlock, ByteOrderMark::kKeep) {}

  bool Next(std::string_view& line, std::string_view& eol) {
    BlockLine l;
    if (!lines_.Next(l)) return false;
    line = l.content;
    eol = l.end;
    return true;
  }

 private:
  BlockLineReader lines_;
};

// The record bytes of a line: the first line without a byte-order mark.
std::string_view Record(std::string_view line, bool first) {
  if (first && line.substr(0, kBom.size()) == kBom) line.remove_prefix(kBom.size());
  return line;
}

int TypeIndex(std::string_view record) {
  std::string_view type = record.substr(0, 2);
  for (size_t i = 0; i < kRecord90Types.size(); ++i)
    if (kRecord90Types[i] == type) return static_cast<int>(i);
  return -1;
}

// Columns 3-30 (CNPJ and state registration), blanks where the line is short.
std::string CnpjIe(std::string_view record) {
  std::string out(record.size() > 2 ? record.substr(2, 28) : std::string_view{});
  out.resize(28, ' ');
  return out;
}

std::string Group(std::string_view type, int64_t count) {
  std::string digits = std::to_string(count);
  if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
  return std::string(type) + digits;
}

// Through AtomicFile::Write, which stops at the first refused write with
// its reason (a full disk told as such), not at the commit.
void Put(AtomicFile& f, std::string_view bytes) { f.Write(bytes); }

// Writes lines to the copy: each with its own line end, a line that had
// none (the input's last) or a new one with the file's usual line end; the
// copy's last line ends as the input's last line did.
class CopyWriter {
 public:
  explicit CopyWriter(AtomicFile& out) : out_(out) {}
  void SetUsualEol(std::string_view eol) { usual_ = eol; }
  void Line(std::string_view bytes, std::string_view eol) {
    FlushPending(false);
    pending_.assign(bytes);
    pending_eol_.assign(eol);
    has_pending_ = true;
  }
  // The last line of the copy gets `final_eol`.
  void Finish(std::string_view final_eol) {
    if (!has_pending_) return;
    pending_eol_.assign(final_eol);
    FlushPending(true);
  }

 private:
  void FlushPending(bool last) {
    if (!has_pending_) return;
    Put(out_, pending_);
    Put(out_, pending_eol_.empty() && !last ? std::string_view(usual_) : pending_eol_);
    has_pending_ = false;
  }
  AtomicFile& out_;
  std::string usual_ = "\r\n";
  std::string pending_, pending_eol_;
  bool has_pending_ = false;
};

}  // namespace

std::vector<std::string> Record90Lines(std::string_view cnpj_ie,
                                       const std::array<int64_t, 17>& counts,
                                       int64_t total_without_record90) {
  std::vector<std::string> groups;
  for (size_t i = 0; i < kRecord90Types.size(); ++i)
    if (counts[i] != 0) groups.push_back(Group(kRecord90Types[i], counts[i]));
  const size_t n_lines = groups.size() / kRecord90GroupsPerLine + 1;  // "99" always needs room
  groups.push_back(Group("99", total_without_record90 + static_cast<int64_t>(n_lines)));

  std::string head = "90" + std::string(cnpj_ie);
  head.resize(30, ' ');
  std::vector<std::string> lines;
  for (size_t g = 0; g < groups.size(); g += kRecord90GroupsPerLine) {
    std::string line = head;
    for (size_t k = g; k < groups.size() && k < g + kRecord90GroupsPerLine; ++k) line += groups[k];
    if (line.size() < 125) line.resize(125, ' ');
    line += std::to_string(n_lines);
    lines.push_back(std::move(line));
  }
  return lines;
}

Record90Rebuild RebuildRecord90(const fs::path& file, UserInterface& ui) {
  // Only a SINTEGRA text file: a binary or UTF-16 file would get a record 90
  // of its own garbage.
  CheckSintegraInput(PathText(file));
  Record90Rebuild result;
  result.output =
      file.parent_path() / (fs::path(u8"Modif_").u8string() + file.filename().u8string());

  // Counting pass.
  std::array<int64_t, 17> counts{};
  int64_t lines = 0, old90 = 0;
  std::string from10, from90;
  std::string usual_eol;
  {
    RawLines in(file);
    Pacer pacer(ui);
    std::string_view line, eol;
    while (in.Next(line, eol)) {
      pacer.Tick();
      std::string_view record = Record(line, lines == 0);
      ++lines;
      if (usual_eol.empty() && !eol.empty()) usual_eol.assign(eol);
      std::string_view type = record.substr(0, 2);
      if (type == "90") {
        if (old90++ == 0) from90 = CnpjIe(record);
      } else if (type == "10") {
        from10 = CnpjIe(record);
      } else if (int i = TypeIndex(record); i >= 0) {
        ++counts[static_cast<size_t>(i)];
      }
    }
  }
  result.had_record90 = old90 > 0;
  if (lines > 0) {
    if (!result.had_record90 && from10.empty()) from10 = std::string(28, ' ');
    result.record90 = Record90Lines(result.had_record90 ? from90 : from10, counts, lines - old90);
    result.total_lines = lines - old90 + static_cast<int64_t>(result.record90.size());
  }

  // Writing pass: the block where the first record 90 line stood, or after
  // the last line.
  AtomicFile out(result.output);
  CopyWriter copy(out);
  if (!usual_eol.empty()) copy.SetUsualEol(usual_eol);
  RawLines in(file);
  Pacer pacer(ui);
  std::string_view line, eol, last_eol;
  int64_t n = 0;
  bool block_written = false;
  while (in.Next(line, eol)) {
    pacer.Tick();
    std::string_view record = Record(line, n == 0);
    ++n;
    last_eol = eol;
    if (record.substr(0, 2) == "90") {
      if (!block_written) {
        // A byte-order mark before a record 90 first line stays in front of it.
        std::string_view mark = line.substr(0, line.size() - record.size());
        for (size_t i = 0; i < result.record90.size(); ++i)
          copy.Line(i == 0 ? std::string(mark) + result.record90[i] : result.record90[i], eol);
        block_written = true;
      }
      continue;
    }
    copy.Line(line, eol);
  }
  std::string final_eol(last_eol);
  if (!block_written)
    for (const std::string& r : result.record90)
      copy.Line(r, usual_eol.empty() ? "\r\n" : usual_eol);
  copy.Finish(final_eol);
  out.Commit();
  return result;
}

void btn_reg90Click(Session& s) {
  const std::string& path = s.sintegra.file;
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(PathFromUtf8(path), ec)) {
    s.ui.Message("", "Arquivo não existe ou campo vazio.");
    return;
  }
  RebuildRecord90(PathFromUtf8(path), s.ui);
  s.ui.Message("", "Registro 90 criado com sucesso!");
}

int WriteFileTypeCode(const fs::path& file, char code, UserInterface& ui) {
  // Only a SINTEGRA text file, its record 10 first: anything else is refused
  // with its reason, never left as it is in silence.
  CheckSintegraInput(PathText(file));
  // A first pass finds the record 10 lines: without one the file stays as it is.
  int records10 = 0;
  {
    RawLines in(file);
    std::string_view line, eol;
    bool first = true;
    while (in.Next(line, eol)) {
      if (Record(line, first).substr(0, 2) == "10") ++records10;
      first = false;
    }
  }
  if (records10 == 0) return 0;

  AtomicFile out(file);
  RawLines in(file);
  EncodingSniffer sniffer;
  Pacer pacer(ui);
  std::string_view line, eol;
  std::string changed;
  bool first = true;
  while (in.Next(line, eol)) {
    pacer.Tick();
    std::string_view record = Record(line, first);
    if (first && record.size() != line.size()) sniffer.SetUtf8();
    first = false;
    if (record.substr(0, 2) != "10") {
      Put(out, line);
      Put(out, eol);
      continue;
    }
    changed.assign(line.substr(0, line.size() - record.size()));
    const bool utf8 = sniffer.LineIsUtf8(record);
    std::string r(record);
    const size_t chars = utf8 ? static_cast<size_t>(CharCount(r)) : r.size();
    if (chars < 126) {
      // A short record 10: blanks up to column 125, then the code.
      r.append(125 - std::min<size_t>(chars, 125), ' ');
      r.push_back(code);
    } else {
      // Column 126, a character of one byte or more.
      const std::string_view column =
          utf8 ? Utf8Columns(r, 126, 1) : std::string_view(r).substr(125, 1);
      r.replace(static_cast<size_t>(column.data() - r.data()), column.size(), 1, code);
    }
    changed += r;
    Put(out, changed);
    Put(out, eol);
  }
  out.Commit();
  return records10;
}

void ConfirmFileType(Session& s, char code) {
  if (code != '1' && code != '2' && code != '3') code = '5';
  const std::string& path = s.sintegra.file;
  if (WriteFileTypeCode(PathFromUtf8(path), code, s.ui) == 0) return;
  s.sintegra.file_type = std::string(1, code);
  ShowFileType(s);
}

}  // namespace fiscora

#include "sintegra/input_check.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "data/text.h"

namespace fiscora {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void NotARecord10(const std::string& path, int64_t line, std::string_view head) {
  if (head.substr(0, 6) == "|0000|")
    throw InputRefusal(path, line,
                       "é um arquivo EFD (SPED), não um arquivo SINTEGRA; um arquivo SINTEGRA "
                       "começa pelo registro 10");
  throw InputRefusal(path, line,
                     "não é um arquivo SINTEGRA: a primeira linha deveria ser o registro 10 "
                     "(começar por \"10\"), mas começa por \"" +
                         PrintableStart(head) + "\"");
}

// The line break bytes of a block and whether it holds a NUL, in one pass
// over its bytes; `before` is the byte before the block (for a CR LF pair
// split across blocks).
struct ByteCounts {
  int64_t lf = 0, cr = 0, cr_lf = 0;
  bool nul = false;
};
ByteCounts CountBytes(const char* p, size_t n, char before) {
  ByteCounts c;
  if (n == 0) return c;
  c.lf = p[0] == '\n';
  c.cr = p[0] == '\r';
  c.cr_lf = p[0] == '\n' && before == '\r';
  c.nul = p[0] == 0;
  // Branch-free over runs of bytes, with narrow sums the compiler can keep
  // in vector registers.
  constexpr size_t kRun = 1 << 15;
  for (size_t start = 1; start < n; start += kRun) {
    const size_t end = std::min(n, start + kRun);
    uint32_t lf = 0, cr = 0, pairs = 0, nul = 0;
    for (size_t i = start; i < end; ++i) {
      const unsigned char b = static_cast<unsigned char>(p[i]);
      const unsigned char a = static_cast<unsigned char>(p[i - 1]);
      lf += b == '\n';
      cr += b == '\r';
      pairs += (b == '\n') & (a == '\r');
      nul |= b == 0;
    }
    c.lf += lf;
    c.cr += cr;
    c.cr_lf += pairs;
    c.nul = c.nul || nul != 0;
  }
  return c;
}

}  // namespace

void CheckReadableFile(const std::string& path) {
  const fs::path p = PathFromUtf8(path);
  std::error_code ec;
  fs::file_status st = fs::status(p, ec);
  if (!fs::exists(st))
    throw InputRefusal(path, 0, "o arquivo não existe (foi removido ou renomeado?)");
  if (fs::is_directory(st)) throw InputRefusal(path, 0, "é uma pasta, não um arquivo");
  if (!fs::is_regular_file(st)) throw InputRefusal(path, 0, "não é um arquivo comum");
  std::ifstream in(p, std::ios::binary);
  if (!in)
    throw InputRefusal(path, 0,
                       "não foi possível abrir o arquivo para leitura (sem permissão ou em uso)");
}

int64_t CheckSintegraInput(const std::string& path) {
  CheckReadableFile(path);
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  std::vector<char> buf(1 << 16);
  // Until the first line that is not blank has ended, bytes go one by one;
  // after it, blocks are only searched for a NUL and their lines counted by
  // the file's line end (LF, or CR in a file whose first line break is a CR
  // alone), as the line reader counts them.
  enum { kSeeking, kInFirst, kDone } phase = kSeeking;
  int64_t line = 1;
  int64_t first_line = 0;
  std::string head;
  bool prev_cr = false;
  char separator = 0;  // decided by the first line break
  bool first_block = true;
  // The lines as the line reader counts them: the line ends of the bytes
  // read one by one (both kinds, as the kind is not known yet), the line
  // ends of the blocks after them, and the file's last byte.
  int64_t first_lf = 0, first_cr = 0, later_ends = 0;
  // Whether line ends are mixed, as the line reader decides it: in a file of
  // LF ends every CR stands just before an LF (or is the last byte); in a
  // file of CR ends there is no LF. Counted here, decided at the end.
  int64_t crs = 0, lfs = 0, cr_lf_pairs = 0;
  char last = 0, before_block = 0, prev_byte = 0;
  auto binary = [&](int64_t at) {
    throw InputRefusal(path, at,
                       "o arquivo contém bytes binários (NUL): não é um arquivo de texto "
                       "SINTEGRA");
  };
  auto end_of_first = [&] {
    if (head.substr(0, 2) != "10") NotARecord10(path, first_line, head);
    phase = kDone;
  };
  while (in) {
    in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
    size_t got = static_cast<size_t>(in.gcount());
    if (in.bad()) throw InputRefusal(path, 0, "erro ao ler o arquivo");
    if (got == 0) break;
    size_t i = 0;
    if (first_block && got >= 3 && std::memcmp(buf.data(), "\xEF\xBB\xBF", 3) == 0) i = 3;
    first_block = false;
    before_block = last;
    if (i < got) last = buf[got - 1];
    for (; i < got && phase != kDone; ++i) {
      char c = buf[i];
      if (c == '\0') binary(line);
      cr_lf_pairs += c == '\n' && prev_byte == '\r';
      prev_byte = c;
      first_lf += c == '\n';
      first_cr += c == '\r';
      if (c == '\n' && prev_cr) {  // the LF of CR LF
        separator = '\n';
        prev_cr = false;
        continue;
      }
      if (prev_cr && separator == 0) separator = '\r';
      if (c == '\n' || c == '\r') {
        if (c == '\n' && separator == 0) separator = '\n';
        if (phase == kInFirst) end_of_first();
        ++line;
        prev_cr = c == '\r';
        continue;
      }
      prev_cr = false;
      if (phase == kSeeking && c != ' ' && c != '\t') {
        phase = kInFirst;
        first_line = line;
      }
      if (phase == kInFirst && head.size() < 16) head += c;
    }
    if (phase != kDone) continue;
    const char* rest = buf.data() + i;
    size_t n = got - i;
    if (prev_cr && n > 0) {
      // The first line ended with a CR, already counted: an LF right after
      // it belongs to it.
      if (*rest == '\n') {
        ++rest;
        --n;
        ++first_lf;
        ++cr_lf_pairs;
        if (separator == 0) separator = '\n';
      } else if (separator == 0) {
        separator = '\r';
      }
      prev_cr = false;
    }
    const char sep = separator == '\r' ? '\r' : '\n';
    const ByteCounts counts = CountBytes(rest, n, rest > buf.data() ? rest[-1] : before_block);
    if (counts.nul) {
      const char* nul = static_cast<const char*>(std::memchr(rest, 0, n));
      binary(line + std::count(rest, nul, sep));
    }
    int64_t ends = 0;
    if (sep == '\n') {
      ends = counts.lf;
      cr_lf_pairs += counts.cr_lf;
      crs += counts.cr;
    } else {
      ends = counts.cr;
      lfs += counts.lf;
    }
    line += ends;
    later_ends += ends;
  }
  if (phase == kInFirst) end_of_first();
  if (phase == kSeeking)
    throw InputRefusal(path, 0,
                       "o arquivo está vazio; um arquivo SINTEGRA começa pelo registro 10");
  // A CR that was the first line break and the file's last byte ends lines.
  const char sep = separator == '\r' || (separator == 0 && prev_cr) ? '\r' : '\n';
  const bool mixed =
      sep == '\n' ? first_cr + crs != cr_lf_pairs + (last == '\r' ? 1 : 0) : first_lf + lfs > 0;
  if (mixed) {
    // The line reader refuses the line that mixes them, with its number.
    BlockLineReader reader(PathFromUtf8(path));
    BlockLine l;
    while (reader.Next(l)) {
    }
    return reader.line_number();
  }
  return (sep == '\r' ? first_cr : first_lf) + later_ends + (last != sep ? 1 : 0);
}

FileStamp StampOf(const std::string& path) {
  const std::filesystem::path p = PathFromUtf8(path);
  std::error_code ec;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(p, ec);
  if (ec) stamp.size = static_cast<std::uintmax_t>(-1);
  stamp.written = std::filesystem::last_write_time(p, ec);
  return stamp;
}

void CheckUnchanged(const std::string& path, const FileStamp& before) {
  if (StampOf(path) == before) return;
  throw InputRefusal(path, 0,
                     "o arquivo mudou durante a leitura (tamanho ou data de gravação); "
                     "nada do que foi lido vale: verifique-o de novo");
}

CheckedInput CheckSintegraFile(const std::string& path) {
  CheckedInput checked;
  checked.stamp = StampOf(path);
  checked.lines = CheckSintegraInput(path);
  return checked;
}

InputCheckAhead::InputCheckAhead(std::string path)
    : path_(std::move(path)),
      outcome_(std::async(std::launch::async, [p = path_] { return CheckSintegraFile(p); })) {}

CheckedInput InputCheckAhead::Result(const std::string& path) {
  if (path != path_ || !outcome_.valid()) return CheckSintegraFile(path);
  return outcome_.get();
}

std::string FirstLineHead(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) return {};
  std::string buf(1 << 16, '\0');
  in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
  buf.resize(static_cast<size_t>(in.gcount()));
  std::string_view rest(buf);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  const size_t start = rest.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  rest.remove_prefix(start);
  return std::string(rest.substr(0, std::min(rest.find_first_of("\r\n"), size_t{16})));
}

bool LooksLikeSintegraFile(const std::string& path) {
  return FirstLineHead(path).substr(0, 2) == "10";
}

}  // namespace fiscora

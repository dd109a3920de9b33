#include "data/block_lines.h"

#include <algorithm>
#include <cstring>

#include "data/atomic_file.h"

namespace fiscora {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLf = "\n", kCrLf = "\r\n", kCr = "\r", kNone = "";

std::string RefusalText(const std::string& file, int64_t line, const std::string& reason) {
  std::string text = "O arquivo " + file + " não pode ser carregado";
  if (line > 0) text += " (linha " + std::to_string(line) + ")";
  return text + ": " + reason;
}

}  // namespace

InputRefusal::InputRefusal(std::string file, int64_t line, std::string reason)
    : FileError(RefusalText(file, line, reason)),
      file_(std::move(file)),
      line_(line),
      reason_(std::move(reason)) {}

BlockLineReader::BlockLineReader(const std::filesystem::path& path, size_t block_size,
                                 ByteOrderMark bom)
    : path_(path), block_size_(std::max<size_t>(block_size, 1)), bom_(bom) {
  in_.open(path, std::ios::binary);
  if (!in_) throw FileError("Não foi possível abrir o arquivo " + path.string());
  // A small file (the working files of a load) needs no large buffer: one
  // block of its size, at least 64 KiB.
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size < block_size_)
    block_size_ = std::min(block_size_, std::max<size_t>(static_cast<size_t>(size) + 1, 64 << 10));
  buf_ = MakeLargeBlock<char>(std::max(block_size_, kBom.size()));
}

bool BlockLineReader::Fill() {
  if (eof_) return false;
  const size_t want = first_read_ ? std::max(block_size_, kBom.size()) : block_size_;
  in_.read(buf_.get(), static_cast<std::streamsize>(want));
  const size_t got = static_cast<size_t>(in_.gcount());
  if (in_.bad()) throw FileError("Erro de leitura no arquivo " + path_.string());
  if (got < want) eof_ = true;
  pos_ = 0;
  end_ = got;
  if (first_read_) {
    first_read_ = false;
    had_bom_ = std::string_view(buf_.get(), end_).substr(0, kBom.size()) == kBom;
    if (had_bom_ && bom_ == ByteOrderMark::kSkip) pos_ = kBom.size();
  }
  if (got > 0) OnBlock(std::string_view(buf_.get() + pos_, end_ - pos_));
  if (!ends_decided_) DecideLineEnds();
  return got > 0;
}

// The first line break decides: LF or CR LF make LF the line end, a CR
// alone makes CR the line end. A CR at the end of a block waits for the
// next block's first byte (or the end of the file).
void BlockLineReader::DecideLineEnds() {
  const char* start = buf_.get() + pos_;
  const size_t n = end_ - pos_;
  if (cr_pending_) {
    ends_decided_ = true;
    break_ = n > 0 && start[0] == '\n' ? '\n' : '\r';
    crlf_ = break_ == '\n';
    return;
  }
  const char* lf = static_cast<const char*>(std::memchr(start, '\n', n));
  const size_t before_lf = lf ? static_cast<size_t>(lf - start) : n;
  const char* cr = static_cast<const char*>(std::memchr(start, '\r', before_lf));
  if (!cr) {
    ends_decided_ = lf != nullptr;
    return;
  }
  const size_t at = static_cast<size_t>(cr - start);
  if (at + 1 < n) {
    ends_decided_ = true;
    break_ = start[at + 1] == '\n' ? '\n' : '\r';
  } else if (eof_) {
    ends_decided_ = true;
    break_ = '\r';
  } else {
    cr_pending_ = true;
  }
  crlf_ = ends_decided_ && break_ == '\n';
}

// The line about to be handed (its number one past the last): a line break
// other than the file's own left in its content mixes line ends. The last
// line of the file may end with a CR (a file cut right after it).
void BlockLineReader::CheckNoOtherBreak(std::string_view content, std::string_view end) const {
  if (end.empty() && !content.empty() && content.back() == '\r') content.remove_suffix(1);
  const char other = break_ == '\r' ? '\n' : '\r';
  const void* hit = std::memchr(content.data(), other, content.size());
  if (!hit) return;
  const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - content.data());
  const std::string first = break_ == '\r' ? "CR" : crlf_ ? "CR LF" : "LF";
  throw InputRefusal(
      PathText(path_), line_number_ + 1,
      "quebra de linha inconsistente: a primeira linha do arquivo termina com " + first +
          ", mas esta linha tem " + (other == '\r' ? "um CR sem LF" : "um LF") + " na coluna " +
          std::to_string(at + 1) + "; corrija as quebras de linha do arquivo antes de carregá-lo");
}

bool BlockLineReader::Next(BlockLine& line) {
  carry_.clear();
  bool from_carry = false;
  for (;;) {
    if (pos_ < end_) {
      const char* start = buf_.get() + pos_;
      const void* hit = std::memchr(start, break_, end_ - pos_);
      if (hit) {
        const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - buf_.get());
        std::string_view content;
        if (from_carry) {
          carry_.append(start, at - pos_);
          content = carry_;
        } else {
          content = std::string_view(start, at - pos_);
        }
        pos_ = at + 1;
        if (break_ == '\r') {
          Hand(content, kCr, line);
        } else if (!content.empty() && content.back() == '\r') {
          content.remove_suffix(1);
          Hand(content, kCrLf, line);
        } else {
          Hand(content, kLf, line);
        }
        return true;
      }
      carry_.append(start, end_ - pos_);
      from_carry = true;
      pos_ = end_;
    }
    const bool more = Fill();
    // The file's first line break was the CR that ended the last block, and
    // it turned out to be a CR alone: it ends the line carried so far.
    if (from_carry && break_ == '\r' && carry_.back() == '\r') {
      carry_.pop_back();
      Hand(carry_, kCr, line);
      return true;
    }
    if (!more) {
      if (!from_carry) return false;
      Hand(carry_, kNone, line);
      return true;
    }
  }
}

}  // namespace fiscora

// The block line reader against a reference that cuts the whole file at
// once: every case at several block sizes, so that line ends, byte-order
// marks and long lines fall across block boundaries in every way.
#include "data/block_lines.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using testing::TempDir;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct Line {
  std::string content, end;
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) {
  *os << ::testing::PrintToString(l.content) << " + " << ::testing::PrintToString(l.end);
}

// What a reader gives in place of the line it refuses.
Line Refused(int64_t number) { return {"refused at line " + std::to_string(number), "!"}; }

// The file cut at once: the first line break decides whether a CR alone or
// LF (with a CR before it, if any) ends a line. The other break byte left
// inside a line (not a CR that is the file's last byte) refuses it.
std::vector<Line> Reference(std::string_view bytes, ByteOrderMark bom) {
  const bool has_bom = bytes.substr(0, kBom.size()) == kBom;
  std::string_view text = has_bom ? bytes.substr(kBom.size()) : bytes;
  const size_t first = text.find_first_of("\r\n");
  const bool cr_alone = first != std::string_view::npos && text[first] == '\r' &&
                        (first + 1 == text.size() || text[first + 1] != '\n');
  if (has_bom && bom == ByteOrderMark::kKeep) text = bytes;
  std::vector<Line> lines;
  while (!text.empty()) {
    const size_t at = text.find(cr_alone ? '\r' : '\n');
    if (at == std::string_view::npos) {
      lines.push_back({std::string(text), ""});
      break;
    }
    std::string_view content = text.substr(0, at);
    std::string end(1, text[at]);
    if (!cr_alone && !content.empty() && content.back() == '\r') {
      content.remove_suffix(1);
      end = "\r\n";
    }
    lines.push_back({std::string(content), end});
    text.remove_prefix(at + 1);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view content = lines[i].content;
    if (lines[i].end.empty() && !content.empty() && content.back() == '\r')
      content.remove_suffix(1);
    if (content.find(cr_alone ? '\n' : '\r') != std::string_view::npos) {
      lines.resize(i);
      lines.push_back(Refused(static_cast<int64_t>(i) + 1));
      break;
    }
  }
  return lines;
}

std::vector<Line> ReadAll(const std::filesystem::path& p, size_t block, ByteOrderMark bom,
                          bool* had_bom = nullptr) {
  BlockLineReader reader(p, block, bom);
  std::vector<Line> lines;
  BlockLine l;
  try {
    while (reader.Next(l)) {
      lines.push_back({std::string(l.content), std::string(l.end)});
      EXPECT_EQ(l.number, static_cast<int64_t>(lines.size()));
      EXPECT_EQ(reader.line_number(), l.number);
    }
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.file(), p.string());
    lines.push_back(Refused(e.line()));
  }
  if (had_bom) *had_bom = reader.had_bom();
  return lines;
}

std::filesystem::path WriteBytes(const TempDir& dir, std::string_view bytes) {
  std::filesystem::path p = dir.path() / "lines.txt";
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

// Blocks smaller than a byte-order mark, than a CR LF, than a line, and the
// usual size.
constexpr size_t kBlockSizes[] = {1, 2, 3, 4, 5, 7, 16, BlockLineReader::kDefaultBlockSize};

class BlockLines : public ::testing::TestWithParam<size_t> {};

TEST_P(BlockLines, CasesAgreeWithTheReference) {
  const std::string long_line(23, 'x');
  // clang-format off
  const struct Case {
    std::string name, bytes;
  } cases[] = {
      {"empty file", ""},
      {"one line without a break", "abc"},
      {"lf", "ab\ncd\n"},
      {"crlf", "ab\r\ncd\r\n"},
      {"cr alone", "ab\rcd\ref"},
      {"cr alone, the last byte a cr", "ab\rcd\r"},
      {"a single cr", "\r"},
      {"a single lf", "\n"},
      {"a single crlf", "\r\n"},
      {"empty lines, lf", "\n\n\na\n\n"},
      {"empty lines, crlf", "\r\n\r\n\r\na\r\n"},
      {"empty lines, cr alone", "\r\r\ra\r\r"},
      {"last line without a break", "ab\r\ncd\r\nef"},
      {"crlf, then a stray cr refused", "a\r\nb\rc\r\n"},
      {"cr cr lf ends: an lf after cr ends refused", "a\r\r\nb\r\r\n"},
      {"crlf, a stray cr in the last line refused", "a\r\nb\rc"},
      {"crlf, the file ends with a cr", "a\r\nb\r"},
      {"lf, a stray cr refused", "a\nb\rc\n"},
      {"lf, the file ends with a cr", "ab\ncd\r"},
      {"cr alone, then an lf refused", "ab\rc\r\nd\r"},
      {"crlf at every block boundary", "a\r\nbc\r\nd\r\nef\r\n"},
      {"long lines", long_line + "\r\n" + long_line + "y\r\n" + long_line},
      {"a long first line ended by a cr alone", long_line + "\r" + long_line + "\ra"},
      {"a long first line ended by crlf", long_line + "\r\n" + long_line + "\ra\r\n"},
      {"bom", "\xEF\xBB\xBF" "ab\r\ncd\r\n"},
      {"bom alone", "\xEF\xBB\xBF"},
      {"bom then a break", "\xEF\xBB\xBF" "\r\n"},
      {"bom then cr alone", "\xEF\xBB\xBF" "a\rb\r"},
      {"two boms: the second is text", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\n"},
      {"part of a bom", "\xEF\xBB" "a\n"},
      {"bom not at the start", "a\n\xEF\xBB\xBF" "b\n"},
  };
  // clang-format on
  TempDir dir;
  for (const Case& c : cases) {
    const auto p = WriteBytes(dir, c.bytes);
    for (ByteOrderMark bom : {ByteOrderMark::kSkip, ByteOrderMark::kKeep}) {
      SCOPED_TRACE(c.name + (bom == ByteOrderMark::kKeep ? " (mark kept)" : ""));
      bool had_bom = false;
      EXPECT_EQ(ReadAll(p, GetParam(), bom, &had_bom), Reference(c.bytes, bom));
      EXPECT_EQ(had_bom, c.bytes.substr(0, kBom.size()) == kBom);
    }
  }
}

// Random files of a few bytes, line ends and pieces of a byte-order mark,
// each read at every block size.
TEST(BlockLineReader, RandomFilesAgreeWithTheReference) {
  const std::string alphabet = "a\r\n\r\n\xEF\xBB\xBF";
  std::mt19937 rng(2025);
  TempDir dir;
  for (int n = 0; n < 200; ++n) {
    std::string bytes = n % 3 == 0 ? std::string(kBom) : std::string();
    const size_t length = rng() % 24;
    for (size_t i = 0; i < length; ++i) bytes += alphabet[rng() % alphabet.size()];
    const auto p = WriteBytes(dir, bytes);
    for (size_t block : kBlockSizes) {
      for (ByteOrderMark bom : {ByteOrderMark::kSkip, ByteOrderMark::kKeep}) {
        SCOPED_TRACE(::testing::PrintToString(bytes) + ", blocks of " + std::to_string(block) +
                     (bom == ByteOrderMark::kKeep ? ", mark kept" : ""));
        EXPECT_EQ(ReadAll(p, block, bom), Reference(bytes, bom));
      }
    }
  }
}

// Each block is shown before any line that ends in it is handed out.
TEST_P(BlockLines, BlocksAreSeenBeforeTheirLines) {
  struct Watcher : BlockLineReader {
    using BlockLineReader::BlockLineReader;
    void OnBlock(std::string_view bytes) override { seen += bytes; }
    std::string seen;
  };
  const std::string bytes = std::string(kBom) + "ab\r\n" + std::string(30, 'c') + "\r\n\r\nd";
  TempDir dir;
  Watcher reader(WriteBytes(dir, bytes), GetParam());
  BlockLine l;
  size_t read = 0;
  while (reader.Next(l)) {
    read += l.content.size() + l.end.size();
    EXPECT_GE(reader.seen.size(), read);
  }
  EXPECT_EQ(reader.seen, bytes.substr(kBom.size()));
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockLines, ::testing::ValuesIn(kBlockSizes),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           return "Block" + std::to_string(info.param);
                         });

TEST(BlockLineReader, ErrorsNameTheFile) {
  TempDir dir;
  const auto absent = dir.path() / "absent.txt";
  try {
    BlockLineReader reader(absent);
    ADD_FAILURE() << "an absent file was opened";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Não foi possível abrir o arquivo " + absent.string());
  }
#if defined(__linux__)
  // A folder opens as a file here, and its reading fails.
  try {
    BlockLineReader reader(dir.path());
    BlockLine l;
    reader.Next(l);
    ADD_FAILURE() << "a folder was read";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Erro de leitura no arquivo " + dir.path().string());
  }
#endif
}

}  // namespace
}  // namespace fiscora

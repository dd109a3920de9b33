// The line reader and the field readers of a record line over any bytes; and
// the block line reader under it, which must give back the file exactly
// (each line followed by its own line end) and cut it the same way at any
// block size.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "data/block_lines.h"
#include "fuzz_common.h"
#include "sintegra/layout.h"

namespace {

struct Cut {
  std::string bytes;          // every line and line end, in order
  std::vector<size_t> lines;  // where each line's content ends in bytes
  bool had_bom = false;
  int64_t refused = 0;  // the line refused for mixed line ends, if any
};

Cut CutFile(const std::string& path, size_t block, fiscora::ByteOrderMark bom) {
  fiscora::BlockLineReader reader(path, block, bom);
  Cut cut;
  fiscora::BlockLine l;
  try {
    while (reader.Next(l)) {
      if (l.number != static_cast<int64_t>(cut.lines.size()) + 1) std::abort();
      cut.bytes.append(l.content);
      cut.lines.push_back(cut.bytes.size());
      cut.bytes.append(l.end);
    }
  } catch (const fiscora::InputRefusal& e) {
    if (e.line() != static_cast<int64_t>(cut.lines.size()) + 1) std::abort();
    cut.refused = e.line();
  }
  cut.had_bom = reader.had_bom();
  return cut;
}

void CheckBlockLines(const std::string& path, std::string_view input) {
  using fiscora::ByteOrderMark;
  for (ByteOrderMark bom : {ByteOrderMark::kSkip, ByteOrderMark::kKeep}) {
    const Cut whole = CutFile(path, fiscora::BlockLineReader::kDefaultBlockSize, bom);
    const bool skipped = whole.had_bom && bom == ByteOrderMark::kSkip;
    if (!whole.refused && whole.bytes != input.substr(skipped ? 3 : 0)) std::abort();
    for (size_t block : {size_t{1}, size_t{2}, size_t{7}}) {
      const Cut small = CutFile(path, block, bom);
      if (small.bytes != whole.bytes || small.lines != whole.lines ||
          small.refused != whole.refused)
        std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  CheckBlockLines(path, std::string_view(reinterpret_cast<const char*>(data), size));
  if (CutFile(path, fiscora::BlockLineReader::kDefaultBlockSize, fiscora::ByteOrderMark::kSkip)
          .refused)
    return 0;
  LineReader reader(path);
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  std::string_view bytes;
  const std::string name = "fuzz";
  while (reader.Next(bytes)) {
    RecordLine line(bytes, sniffer.LineIsUtf8(bytes), &name, reader.line_number());
    (void)line.Type(3);
    (void)line.Text(1, 200);
    (void)line.Trimmed(20, 40);
    (void)line.Date(5);
    (void)Cp1252ToUtf8(bytes);
    try {
      (void)line.Amount(3, 11, 2, "valor");
      (void)line.Float(3, 5, 4, "quantidade");
      (void)line.Integer(3, 6, "numero");
    } catch (const ConversionError&) {
    }
  }
  return 0;
}

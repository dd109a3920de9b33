#include "sped/merge_lines.h"

#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

std::string SpedCode(std::string_view line) {
  std::string copy;
  if (size_t apostrophe = line.find('\''); apostrophe != std::string_view::npos) {
    copy.assign(line);
    copy.erase(apostrophe, 1);
    line = copy;
  }
  size_t pos = 0;
  while (pos <= line.size()) {
    size_t bar = line.find('|', pos);
    std::string_view piece = line.substr(pos, bar == std::string_view::npos ? bar : bar - pos);
    while (!piece.empty() &&
           (piece.front() == ' ' || piece.front() == '\r' || piece.front() == '\n'))
      piece.remove_prefix(1);
    if (!piece.empty()) return std::string(piece);
    if (bar == std::string_view::npos) break;
    pos = bar + 1;
  }
  return {};
}

MergeTarget MergeRouteFor(std::string_view code, bool first_file) {
  if (code == "0000" || code == "0001" || code == "0100" || code == "0110")
    return first_file ? MergeTarget::kHeader : MergeTarget::kNone;
  if (code.empty()) return MergeTarget::kNone;
  if (code[0] == '0')
    return code.size() > 1 && code[1] >= '1' && code[1] <= '8' ? MergeTarget::kBlock0
                                                               : MergeTarget::kNone;
  if (code[0] == 'C')
    return code == "C001" || code == "C990" ? MergeTarget::kNone : MergeTarget::kBlockC;
  if (code[0] == 'D')
    return code == "D001" || code == "D990" ? MergeTarget::kNone : MergeTarget::kBlockD;
  return MergeTarget::kNone;
}

void ForEachMergeInputLine(const std::filesystem::path& file, UserInterface& ui,
                           const std::function<void(std::string_view, bool)>& fn) {
  LineReader reader(file);
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  Pacer pacer(ui);
  std::string_view line;
  bool utf8 = false;
  while (reader.Next(line)) {
    if (reader.line_number() == 1 && reader.had_bom()) utf8 = true;
    if (!utf8 && sniffer.LineIsUtf8(line)) utf8 = true;
    fn(line, utf8);
    pacer.Tick();
    if (SpedCode(line) == "9999") break;
  }
}

}  // namespace fiscora

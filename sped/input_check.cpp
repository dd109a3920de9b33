#include "sped/input_check.h"

#include <cstring>

#include "data/atomic_file.h"
#include "data/text.h"
#include "sped/fields.h"

namespace fiscora {

void CheckEfdInput(const std::filesystem::path& path) {
  const std::string file = PathText(path);
  CheckReadableFile(file);
  SpedLineReader reader(path);
  std::string_view raw;
  bool first = true;
  std::string closed;  // the letters of the blocks closed by their X990
  while (reader.Next(raw)) {
    const int64_t n = reader.line_number();
    if (std::memchr(raw.data(), 0, raw.size()))
      throw InputRefusal(file, n,
                         "o arquivo contém bytes binários (NUL): não é um arquivo de texto EFD");
    std::string_view line = Trim(raw);
    if (line.empty()) continue;
    if (first) {
      first = false;
      if (line.substr(0, 6) != "|0000|") {
        if (line.substr(0, 2) == "10")
          throw InputRefusal(file, n,
                             "é um arquivo SINTEGRA, não um arquivo EFD (SPED); um arquivo EFD "
                             "começa pelo registro |0000|");
        throw InputRefusal(file, n,
                           "não é um arquivo EFD (SPED): a primeira linha deveria ser o registro "
                           "|0000|, mas começa por \"" +
                               PrintableStart(line) + "\"");
      }
      continue;
    }
    if (line.size() < 2 || line.front() != '|' || line.back() != '|')
      throw InputRefusal(file, n,
                         "linha sem a moldura \"|\": um registro EFD começa e termina por \"|\" "
                         "(a linha começa por \"" +
                             PrintableStart(line) + "\")");
    const size_t bar = line.find('|', 1);
    const std::string_view code = Trim(line.substr(1, bar - 1));
    if (code == "9999") break;
    if (code.size() != 4)
      throw InputRefusal(file, n, "código de registro inválido: \"" + PrintableStart(code) + "\"");
    // A block's registers come before its closing X990: one after it is
    // outside any block (a file cut and glued, or two files run together).
    const char block = code[0];
    if (closed.find(block) != std::string::npos)
      throw InputRefusal(file, n,
                         "o registro " + std::string(code) +
                             " está fora de qualquer bloco: vem "
                             "depois do fechamento |" +
                             std::string(1, block) + "990| do seu bloco");
    if (code.substr(1) == "990") closed += block;
  }
  if (first)
    throw InputRefusal(file, 0, "o arquivo está vazio; um arquivo EFD começa pelo registro |0000|");
}

bool LooksLikeEfdFile(const std::string& path) {
  return FirstLineHead(path).substr(0, 6) == "|0000|";
}

}  // namespace fiscora

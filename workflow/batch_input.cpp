#include "workflow/batch_input.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "data/atomic_file.h"
#include "data/block_lines.h"
#include "data/text.h"
#include "sintegra/layout.h"
#include "sintegra/record_layout.h"

namespace fiscora {

namespace fs = std::filesystem;

namespace {

std::string Utf8Text(std::string_view bytes) {
  std::string_view t = Trim(bytes);
  return IsValidUtf8(t) ? std::string(t) : Cp1252ToUtf8(t);
}

std::string_view Field(std::string_view line, const FieldSpec& spec) {
  auto first = static_cast<size_t>(spec.first - 1);
  if (first >= line.size()) return {};
  return line.substr(first, static_cast<size_t>(spec.width));
}

bool IsDigits(std::string_view s, size_t count) {
  return s.size() == count &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "03/2025" when both dates fall in one month, else both dates in full.
// `ymd` says whether the dates are written AAAAMMDD (SINTEGRA) or DDMMAAAA.
std::string PeriodText(std::string_view start, std::string_view end, bool ymd) {
  if (!IsDigits(start, 8) || !IsDigits(end, 8)) return {};
  auto parts = [&](std::string_view d) {
    struct {
      std::string_view day, month, year;
    } p;
    if (ymd)
      p = {d.substr(6, 2), d.substr(4, 2), d.substr(0, 4)};
    else
      p = {d.substr(0, 2), d.substr(2, 2), d.substr(4, 4)};
    return p;
  };
  auto a = parts(start), b = parts(end);
  auto number = [](std::string_view digits) { return std::stoi(std::string(digits)); };
  const int year = number(b.year), month = number(b.month);
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int last = month >= 1 && month <= 12 ? kDays[month - 1] + (month == 2 && leap) : 0;
  if (a.month == b.month && a.year == b.year && a.day == "01" && number(b.day) == last)
    return std::string(a.month) + "/" + std::string(a.year);
  auto full = [](auto p) {
    return std::string(p.day) + "/" + std::string(p.month) + "/" + std::string(p.year);
  };
  return full(a) + " a " + full(b);
}

std::vector<std::string_view> SplitBars(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return fields;
}

}  // namespace

std::string_view BatchKindText(BatchKind kind) {
  switch (kind) {
    case BatchKind::kSintegra:
      return "SINTEGRA";
    case BatchKind::kEfdIcmsIpi:
      return "EFD ICMS/IPI";
    case BatchKind::kEfdContribuicoes:
      return "EFD-Contribuições";
    case BatchKind::kOther:
      break;
  }
  return "outro";
}

BatchInput IdentifyBatchInput(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw FileError("Não foi possível abrir o arquivo " + PathText(file));
  std::string block(64 * 1024, '\0');
  in.read(block.data(), static_cast<std::streamsize>(block.size()));
  block.resize(static_cast<size_t>(in.gcount()));

  BatchInput input;
  if (block.find('\0') != std::string::npos) {
    input.reason = "arquivo binário (contém bytes nulos)";
    return input;
  }
  std::string_view rest = block;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  std::string_view line;
  while (!rest.empty()) {
    size_t end = rest.find_first_of("\r\n");
    line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!Trim(line).empty()) break;
    line = {};
  }
  if (Trim(line).empty()) {
    input.reason = "arquivo vazio";
    return input;
  }
  if (line.substr(0, 2) == "10") {
    input.kind = BatchKind::kSintegra;
    input.cnpj = std::string(Trim(Field(line, rec10::kCnpj)));
    input.company = Utf8Text(Field(line, rec10::kRazaoSocial));
    input.period =
        PeriodText(Field(line, rec10::kDataInicial), Field(line, rec10::kDataFinal), true);
    return input;
  }
  if (line.substr(0, 6) == "|0000|") {
    std::vector<std::string_view> f = SplitBars(line);  // f[1] is "0000"
    auto at = [&](size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    if (IsDigits(at(4), 8) && IsDigits(at(5), 8)) {
      input.kind = BatchKind::kEfdIcmsIpi;
      input.period = PeriodText(at(4), at(5), false);
      input.company = Utf8Text(at(6));
      input.cnpj = std::string(at(7).empty() ? at(8) : at(7));
      return input;
    }
    // The EFD-Contribuições period sits in fields 6 and 7 (one field later
    // in files that write an extra empty field before it).
    for (size_t i : {6u, 7u}) {
      if (!IsDigits(at(i), 8) || !IsDigits(at(i + 1), 8)) continue;
      input.kind = BatchKind::kEfdContribuicoes;
      input.period = PeriodText(at(i), at(i + 1), false);
      input.company = Utf8Text(at(i + 2));
      input.cnpj = std::string(at(i + 3));
      return input;
    }
    input.reason =
        "registro |0000| sem o período nos campos da EFD ICMS/IPI nem da "
        "EFD-Contribuições";
    return input;
  }
  std::string start = Utf8Text(line.substr(0, 20));
  input.reason = "não é um arquivo SINTEGRA nem EFD: a primeira linha começa por \"" + start + "\"";
  return input;
}

std::vector<std::string> FindBatchInputs(const std::vector<std::string>& arguments,
                                         const fs::path& skip) {
  std::error_code ec;
  const fs::path skip_canonical = skip.empty() ? fs::path() : fs::weakly_canonical(skip, ec);
  auto skipped = [&](const fs::path& p) {
    if (skip_canonical.empty()) return false;
    std::error_code e;
    fs::path c = fs::weakly_canonical(p, e);
    auto [a, b] = std::mismatch(skip_canonical.begin(), skip_canonical.end(), c.begin(), c.end());
    return a == skip_canonical.end();
  };
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    fs::path root = PathFromUtf8(argument);
    if (fs::is_directory(root, ec)) {
      fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec),
          end;
      if (ec) throw FileError("Não foi possível ler a pasta " + argument + ": " + ec.message());
      for (; it != end; it.increment(ec)) {
        if (ec) break;
        if (it->is_directory(ec) && skipped(it->path())) {
          it.disable_recursion_pending();
          continue;
        }
        if (!it->is_regular_file(ec)) continue;
        files.push_back(PathText(it->path().lexically_normal()));
      }
    } else if (fs::exists(root, ec)) {
      files.push_back(PathText(root.lexically_normal()));
    } else {
      throw FileError("arquivo ou pasta não encontrado: " + argument);
    }
  }
  for (std::string& f : files) std::replace(f.begin(), f.end(), '\\', '/');
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

std::string ContentHash(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw FileError("Não foi possível abrir o arquivo " + PathText(file));
  constexpr uint64_t kP1 = 0x9E3779B185EBCA87ULL, kP2 = 0xC2B2AE3D27D4EB4FULL;
  uint64_t h = 0x27D4EB2F165667C5ULL, length = 0;
  std::string block(1 << 20, '\0');
  auto round = [&](uint64_t word) {
    h ^= word * kP2;
    h = (h << 31 | h >> 33) * kP1;
  };
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    length += got;
    size_t i = 0;
    for (; i + 8 <= got; i += 8) {
      uint64_t word;
      std::memcpy(&word, block.data() + i, 8);
      round(word);
    }
    if (i < got) {
      uint64_t word = 0;
      std::memcpy(&word, block.data() + i, got - i);
      round(word ^ (static_cast<uint64_t>(got - i) << 56));
    }
  }
  if (in.bad()) throw FileError("Não foi possível ler o arquivo " + PathText(file));
  round(length);
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  static const char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) text[static_cast<size_t>(i)] = kHex[h & 15];
  return text;
}

uint64_t PathHash(std::string_view path) {
  uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : path) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001B3ULL;
  }
  return h;
}

std::string BatchResultName(std::string_view path) {
  std::string name;
  for (char c : path) {
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '.' || c == '-' || c == '_';
    name += keep ? c : '_';
  }
  size_t first = name.find_first_not_of("._");
  name.erase(0, first == std::string::npos ? name.size() : first);
  if (name.size() > 80) name.erase(0, name.size() - 80);
  static const char kHex[] = "0123456789abcdef";
  uint64_t h = PathHash(path);
  std::string tag(8, '0');
  for (int i = 7; i >= 0; --i, h >>= 4) tag[static_cast<size_t>(i)] = kHex[h & 15];
  return name + "-" + tag + ".json";
}

}  // namespace fiscora

#include "sped/merge.h"

#include <algorithm>
#include <fstream>

#include "data/atomic_file.h"
#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sped/fields.h"
#include "sped/input_check.h"
#include "sped/merged_file.h"

namespace fiscora {

namespace fs = std::filesystem;

namespace {

// UTF-8 text to Windows-1252; characters the code page lacks become "?".
// Bytes that are not valid UTF-8 are kept.
std::string Utf8ToCp1252(std::string_view s) {
  static const char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size() || !IsValidUtf8(s.substr(i, len))) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t u = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < len; ++k) u = (u << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    if (u >= 0xA0 && u <= 0xFF) {
      out += static_cast<char>(u);
      continue;
    }
    const char16_t* hit = std::find(std::begin(kHigh), std::end(kHigh), static_cast<char16_t>(u));
    out += u <= 0xFFFF && u != 0 && hit != std::end(kHigh)
               ? static_cast<char>(0x80 + (hit - std::begin(kHigh)))
               : '?';
  }
  return out;
}

// A merge file opened for appending, buffered, with CR LF line ends. It
// remembers its size before, so that an input that is refused or fails can
// be taken back out.
class MergeAppender {
 public:
  explicit MergeAppender(fs::path path) : path_(std::move(path)) {
    std::error_code ec;
    existed_ = fs::exists(path_, ec);
    size_before_ = existed_ ? fs::file_size(path_, ec) : 0;
    if (ec) throw FileError("Não foi possível abrir o arquivo " + path_.string());
    out_.open(path_, std::ios::binary | std::ios::app);
    if (!out_) throw FileError("Não foi possível abrir o arquivo " + path_.string());
    buf_.reserve(kFlushAt + 4096);
  }
  void Write(std::string_view line) {
    buf_.append(line);
    buf_.append("\r\n");
    if (buf_.size() >= kFlushAt) Flush();
  }
  void Close() {
    Flush();
    out_.close();
    if (!out_) throw FileError("Erro ao gravar o arquivo " + path_.string());
  }
  // Back to the state before this input (the file closed).
  void TakeBack() {
    buf_.clear();
    out_.close();
    std::error_code ec;
    if (existed_)
      fs::resize_file(path_, size_before_, ec);
    else
      fs::remove(path_, ec);
  }

 private:
  static constexpr size_t kFlushAt = size_t{1} << 20;
  void Flush() {
    if (buf_.empty()) return;
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
    if (!out_) throw FileError("Erro ao gravar o arquivo " + path_.string());
  }
  fs::path path_;
  std::ofstream out_;
  std::string buf_;
  bool existed_ = false;
  uintmax_t size_before_ = 0;
};

}  // namespace

void frm_spedFormCreate(Session& s) {
  SpedMergeState& m = s.sped_merge;
  const fs::path& working_folder = s.working_folder;
  m.lblStatus.clear();
  m.edt_save.clear();
  m.lstAdicionados.clear();
  m.inputs.clear();
  m.btn_f_enabled = false;
  for (const char* name :
       {kMergeHeaderFile, kMergeBlock0File, kMergeBlockCFile, kMergeBlockDFile}) {
    std::error_code ec;
    fs::remove(working_folder / name, ec);
  }
  m.Changed();
}

std::string CompanyEntry(std::string_view line, SpedEncoding encoding) {
  const SpedFields filled(line, SpedFields::Fill::kTwice);
  return DecodeSpedText(CnpjMask(filled[3]) + " - " + std::string(filled[2]), encoding);
}

bool dlg_spedCanClose(Session& s, const std::string& path) {
  SpedMergeState& m = s.sped_merge;
  UserInterface& ui = s.ui;
  const fs::path& working_folder = s.working_folder;
  m.btn_f_enabled = true;
  m.Changed();
  std::error_code ec;
  const bool first = !fs::exists(working_folder / kMergeHeaderFile, ec);
  MergeAppender header(working_folder / kMergeHeaderFile);
  MergeAppender block0(working_folder / kMergeBlock0File);
  MergeAppender block_c(working_folder / kMergeBlockCFile);
  MergeAppender block_d(working_folder / kMergeBlockDFile);
  MergeAppender* const files[] = {&header, &block0, &block_c, &block_d};
  auto take_back = [&] {
    for (MergeAppender* f : files) f->TakeBack();
  };

  // One pass: the lines go to the merge files at once and are taken back
  // when the file turns out to be a duplicate.
  std::vector<std::string> entries;
  try {
    SpedLineReader reader(PathFromUtf8(path));
    Pacer pacer(ui);
    std::string converted, scratch;
    std::string_view line;
    while (reader.Next(line)) {
      const bool utf8 = reader.encoding() == SpedEncoding::kUtf8;
      std::string_view bytes = line;
      if (utf8 && !IsAscii(line)) bytes = converted = Utf8ToCp1252(line);
      const std::string_view code = RegisterCodeOf(line, scratch);
      if (code == "0140") entries.push_back(CompanyEntry(line, reader.encoding()));
      switch (RouteMergeLine(code, first)) {
        case MergeFile::kCabec:
          header.Write(bytes);
          break;
        case MergeFile::kBloco0:
          block0.Write(bytes);
          break;
        case MergeFile::kBlocoC:
          block_c.Write(bytes);
          break;
        case MergeFile::kBlocoD:
          block_d.Write(bytes);
          break;
        case MergeFile::kNone:
          break;
      }
      pacer.Tick();
    }
    for (MergeAppender* f : files) f->Close();
  } catch (...) {
    take_back();
    throw;
  }

  const auto& listed = m.lstAdicionados;
  for (const std::string& e : entries) {
    if (std::find(listed.begin(), listed.end(), e) == listed.end()) continue;
    take_back();
    ui.Message("", "Arquivo já esta presente na listagem!");
    return false;
  }
  m.lstAdicionados.insert(m.lstAdicionados.end(), entries.begin(), entries.end());
  m.inputs.push_back(path);
  m.Changed();
  return true;
}

void btn_mClick(Session& s) {
  if (std::optional<std::string> file =
          s.ui.ChooseOpenFile("Arquivos texto|*.txt", {}, FileKind::kAny)) {
    // A chosen file that is not EFD is refused before the list or a merge
    // file changes.
    CheckEfdInput(PathFromUtf8(*file));
    dlg_spedCanClose(s, *file);
  }
}

bool btn_mesclarClick(Session& s) {
  SpedMergeState& m = s.sped_merge;
  UserInterface& ui = s.ui;
  const fs::path& working_folder = s.working_folder;
  if (m.lstAdicionados.size() < 2) {
    ui.Message("", "Adicione duas ou mais empresas.");
    return false;
  }
  if (ui.Confirm("", "Confirma a mesclagem dos arquivos?", Buttons::kYesCancel) != Answer::kYes)
    return false;
  std::optional<std::string> chosen =
      ui.ChooseFolder(m.edt_save.empty() ? m.program_folder : m.edt_save, FileKind::kAny);
  if (chosen && !chosen->empty()) {
    m.edt_save = *chosen;
    m.Changed();
  } else if (m.edt_save.empty()) {
    // No folder was ever chosen: nothing to write to.
    return false;
  }
  std::vector<fs::path> inputs;
  for (const std::string& f : m.inputs) inputs.push_back(PathFromUtf8(f));
  RefuseOutputOverInputs(PathFromUtf8(m.edt_save) / kMergedFileName, inputs);
  ui.Breathe();
  WriteMergedSped(working_folder, PathFromUtf8(m.edt_save), ui, [&](std::string_view text) {
    m.lblStatus = text;
    m.Changed();
    ui.Breathe();
  });
  ui.Message("", "Mesclagem efetuada com sucesso.");
  return true;
}

}  // namespace fiscora

#include "sped/merged_file.h"

#include <cstring>
#include <fstream>

#include "data/atomic_file.h"
#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sped/fields.h"

namespace fiscora {

namespace fs = std::filesystem;

std::string_view RegisterCodeOf(std::string_view line, std::string& scratch) {
  if (line.size() >= 6 && line[0] == '|' && line[5] == '|' && line[1] != ' ' && line[1] != '\r' &&
      line[1] != '\n') {
    std::string_view code = line.substr(1, 4);
    bool plain = true;
    for (char c : code) plain &= c != '|' && c != '\'';
    if (plain) return code;
  }
  scratch = SpedRegister(line);
  return scratch;
}

void RegisterTally::Add(std::string_view code) {
  if (code.size() == 4) {
    uint32_t key;
    std::memcpy(&key, code.data(), 4);
    if (key != last_key_ || last_index_ == SIZE_MAX) {
      auto [it, added] = short_codes_.try_emplace(key, entries_.size());
      if (added) entries_.emplace_back(std::string(code), 0);
      last_key_ = key;
      last_index_ = it->second;
    }
    ++entries_[last_index_].second;
    return;
  }
  auto it = long_codes_.find(code);
  if (it == long_codes_.end()) {
    it = long_codes_.emplace(std::string(code), entries_.size()).first;
    entries_.emplace_back(std::string(code), 0);
  }
  ++entries_[it->second].second;
}

namespace {

constexpr size_t kFlushAt = size_t{1} << 20;

// The output through the atomic writer (a temporary file beside the final
// one); every line written is counted by its register code.
class MergedOutput {
 public:
  MergedOutput(const fs::path& final_path, UserInterface& ui) : out_(final_path), pacer_(ui) {
    buf_.reserve(kFlushAt + 4096);
  }

  // A line with its register code (field 0).
  void Line(std::string_view line, std::string_view code) {
    buf_.append(line);
    buf_.append("\r\n");
    tally_.Add(code);
    ++lines_;
    if (buf_.size() >= kFlushAt) Flush();
    pacer_.Tick();
  }
  // A line the writer makes itself: its code is the text between the first
  // two bars.
  void Own(const std::string& line) { Line(line, std::string_view(line).substr(1, 4)); }

  // Copies a merge file line by line, each line counted by its code and
  // written with CR LF after it; the bytes of a line are kept. Lines that
  // already end with CR LF are written in long runs straight from the read
  // buffer.
  void Copy(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw FileError("Não foi possível abrir o arquivo " + file.string());
    Flush();
    std::string buf;
    size_t have = 0;
    for (;;) {
      if (buf.size() < have + kChunk) buf.resize(have + kChunk);
      in.read(buf.data() + have, static_cast<std::streamsize>(kChunk));
      const size_t got = static_cast<size_t>(in.gcount());
      if (in.bad()) throw FileError("Erro de leitura no arquivo " + file.string());
      have += got;
      const size_t used = CopyLines(std::string_view(buf.data(), have));
      std::memmove(buf.data(), buf.data() + used, have - used);
      have -= used;
      if (got == 0) break;
    }
    if (have > 0) {  // a last line without a line break
      std::string_view line(buf.data(), have);
      if (line.back() == '\r') line.remove_suffix(1);
      Line(line, RegisterCodeOf(line, scratch_));
    }
  }

  int64_t lines() const { return lines_; }
  const RegisterTally& tally() const { return tally_; }

  void Commit() {
    Flush();
    out_.Commit();
  }

 private:
  static constexpr size_t kChunk = size_t{4} << 20;

  // Counts and writes the complete lines at the start of `data`; returns the
  // number of bytes they take.
  size_t CopyLines(std::string_view data) {
    size_t pos = 0, run = 0;  // run: the start of the bytes not yet written
    for (;;) {
      const void* nl = std::memchr(data.data() + pos, '\n', data.size() - pos);
      if (!nl) break;
      const size_t end = static_cast<size_t>(static_cast<const char*>(nl) - data.data());
      std::string_view line = data.substr(pos, end - pos);
      const bool crlf = !line.empty() && line.back() == '\r';
      if (crlf) line.remove_suffix(1);
      tally_.Add(RegisterCodeOf(line, scratch_));
      ++lines_;
      pacer_.Tick();
      if (!crlf) {  // a line ended by LF alone gets its CR
        WriteRun(data.substr(run, end - run));
        WriteRun("\r\n");
        run = end + 1;
      }
      pos = end + 1;
    }
    WriteRun(data.substr(run, pos - run));
    return pos;
  }
  void WriteRun(std::string_view bytes) { out_.Write(bytes); }

  void Flush() {
    if (buf_.empty()) return;
    out_.Write(buf_);
    buf_.clear();
  }

  AtomicFile out_;
  std::string buf_;
  RegisterTally tally_;
  int64_t lines_ = 0;
  Pacer pacer_;
  std::string scratch_;
};

std::string Count(std::string_view code, int64_t n) {
  return "|" + std::string(code) + "|" + std::to_string(n) + "|";
}

bool HasLines(const fs::path& file) {
  std::error_code ec;
  return fs::exists(file, ec) && fs::file_size(file, ec) > 0 && !ec;
}

// A data block of the merge: its opening (indicator 0 with data, 1 without),
// the merge file's lines and its closing with the block's line count.
void DataBlock(MergedOutput& out, char block, const fs::path& file) {
  const std::string b(1, block);
  const int64_t start = out.lines();
  out.Own("|" + b + "001|" + (HasLines(file) ? "0" : "1") + "|");
  out.Copy(file);
  out.Own(Count(b + "990", out.lines() - start + 1));
}

}  // namespace

void WriteMergedSped(const fs::path& working_folder, const fs::path& folder, UserInterface& ui,
                     const std::function<void(std::string_view)>& status) {
  MergedOutput out(folder / kMergedFileName, ui);

  status("Criando bloco 0 ...");
  out.Copy(working_folder / kMergeHeaderFile);
  out.Copy(working_folder / kMergeBlock0File);
  out.Own(Count("0990", out.lines() + 1));
  out.Own("|A001|1|");
  out.Own("|A990|2|");

  status("Criando bloco C ...");
  DataBlock(out, 'C', working_folder / kMergeBlockCFile);
  status("Criando bloco D ...");
  DataBlock(out, 'D', working_folder / kMergeBlockDFile);

  status("Criando blocos finais ...");
  for (const char* line : {"|F001|1|", "|F990|2|", "|M001|1|", "|M990|2|", "|1001|1|", "|1990|2|"})
    out.Own(line);
  const int64_t start9 = out.lines();
  out.Own("|9001|0|");
  // One count line per register present before them, then 9900, 9990, 9999.
  const auto present = out.tally().entries();
  for (const auto& [code, n] : present) out.Own(Count("9900|" + code, n));
  out.Own(Count("9900|9900", static_cast<int64_t>(present.size()) + 3));
  out.Own("|9900|9990|1|");
  out.Own("|9900|9999|1|");
  out.Own(Count("9990", out.lines() - start9 + 2));
  out.Own(Count("9999", out.lines() + 1));
  out.Commit();
  status("Finalizado!");
}

}  // namespace fiscora

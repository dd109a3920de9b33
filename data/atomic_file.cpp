#include "data/atomic_file.h"

#include <random>
#include <sstream>
#include <system_error>

namespace fiscora {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBuffer = size_t{1} << 20;

std::string Shown(const fs::path& p) {
  const std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

}  // namespace

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
  fs::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) +
                     ": a pasta não existe.");
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
  for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
    std::ostringstream name;
    name << '.' << Shown(target_.filename()) << '.' << std::hex << gen() << ".tmp";
    fs::path candidate =
        folder / fs::path(std::u8string(reinterpret_cast<const char8_t*>(name.str().data()),
                                        name.str().size()));
    if (fs::exists(candidate, ec)) continue;
    out_.open(candidate, std::ios::binary | std::ios::trunc);
    if (!out_)
      throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) +
                       ": sem permissão de escrita na pasta " + Shown(folder) + ".");
    temp_ = candidate;
  }
  if (temp_.empty()) throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) + ".");
  buf_.reserve(kBuffer);
}

AtomicFile::~AtomicFile() {
  if (committed_) return;
  out_.close();
  std::error_code ec;
  if (!temp_.empty()) fs::remove(temp_, ec);
}

void AtomicFile::Fail(const std::string& why) {
  out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
  temp_.clear();
  throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) + ": " + why);
}

void AtomicFile::Flush() {
  if (buf_.empty()) return;
  out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
  buf_.clear();
  if (!out_) Fail("erro de gravação (disco cheio?).");
}

void AtomicFile::Write(std::string_view bytes) {
  if (temp_.empty()) throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) + ".");
  if (buf_.size() + bytes.size() > kBuffer) Flush();
  if (bytes.size() >= kBuffer) {
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out_) Fail("erro de gravação (disco cheio?).");
    return;
  }
  buf_.append(bytes);
}

void AtomicFile::Commit() {
  if (temp_.empty()) throw WriteError("Não foi possível gravar o arquivo " + Shown(target_) + ".");
  Flush();
  out_.flush();
  out_.close();
  if (out_.fail()) Fail("erro de gravação (disco cheio?).");
  std::error_code ec;
  fs::rename(temp_, target_, ec);
  if (ec) Fail("não foi possível substituí-lo (" + ec.message() + ").");
  committed_ = true;
}

void WriteFileAtomically(const fs::path& target, std::string_view bytes) {
  AtomicFile f(target);
  f.Write(bytes);
  f.Commit();
}

}  // namespace fiscora

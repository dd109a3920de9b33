#include "data/atomic_file.h"

#include <cerrno>
#include <random>
#include <sstream>
#include <system_error>

namespace fiscora {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& target, const std::string& reason) {
  throw FileWriteError("Não foi possível gravar o arquivo " + PathText(target) + ": " + reason);
}

}  // namespace

std::string WriteFailureReason(const std::error_code& ec) {
  // The usual reasons in the user's language; others as the system says them.
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
    return "sem permissão de escrita na pasta";
  if (ec == std::errc::read_only_file_system) return "a pasta está num disco somente leitura";
  if (ec == std::errc::no_space_on_device) return "disco cheio";
  if (ec == std::errc::file_too_large)
    return "o arquivo excede o tamanho permitido (disco cheio ou limite de tamanho)";
  if (ec == std::errc::no_such_file_or_directory) return "a pasta não existe";
  return ec.message();
}

namespace {

std::string ErrnoReason() {
  int e = errno;
  if (e == 0) return "erro de gravação";
  return WriteFailureReason(std::error_code(e, std::generic_category()));
}

// Renames temp over target, or removes temp and throws.
void Replace(const fs::path& temp, const fs::path& target) {
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    Fail(target, WriteFailureReason(ec));
  }
}

}  // namespace

std::string PathText(const fs::path& path) {
  std::u8string u = path.u8string();
  return std::string(u.begin(), u.end());
}

fs::path TemporaryPathBeside(const fs::path& target) {
  static thread_local std::mt19937_64 gen{std::random_device{}()};
  fs::path folder = target.parent_path();
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "." << PathText(target.filename()) << "." << std::hex << gen() << ".tmp";
    std::string n = name.str();
    fs::path p = folder / fs::path(std::u8string(n.begin(), n.end()));
    if (!fs::exists(p, ec)) return p;
  }
  Fail(target, "nenhum nome temporário livre");
}

void WriteFileAtomically(const fs::path& target,
                         const std::function<void(const fs::path& temp)>& write) {
  fs::path temp = TemporaryPathBeside(target);
  {
    // Create the file first: a folder that is missing or cannot be written
    // is reported with the system's reason before any work is done.
    errno = 0;
    std::ofstream probe(temp, std::ios::binary | std::ios::trunc);
    if (!probe) {
      std::error_code ec;
      Fail(target, fs::is_directory(target.parent_path().empty() ? "." : target.parent_path(), ec)
                       ? ErrnoReason()
                       : "a pasta não existe");
    }
  }
  try {
    write(temp);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
  std::error_code ec;
  if (!fs::is_regular_file(temp, ec)) {
    fs::remove(temp, ec);
    Fail(target, "o arquivo não foi criado");
  }
  Replace(temp, target);
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
  temp_ = TemporaryPathBeside(target_);
  errno = 0;
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) {
    std::string reason = ErrnoReason();
    std::error_code ec;
    fs::remove(temp_, ec);
    done_ = true;
    Fail(target_, reason);
  }
}

AtomicFile::~AtomicFile() {
  if (done_) return;
  out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void AtomicFile::Write(std::string_view bytes) {
  errno = 0;
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) {
    std::string reason = ErrnoReason();
    out_.close();
    done_ = true;
    std::error_code ec;
    fs::remove(temp_, ec);
    Fail(target_, reason);
  }
}

void AtomicFile::Commit() {
  if (done_) return;
  errno = 0;
  out_.flush();
  bool ok = static_cast<bool>(out_);
  std::string reason = ok ? std::string() : ErrnoReason();
  out_.close();
  if (ok && out_.fail()) {
    ok = false;
    reason = ErrnoReason();
  }
  done_ = true;
  if (!ok) {
    std::error_code ec;
    fs::remove(temp_, ec);
    Fail(target_, reason);
  }
  Replace(temp_, target_);
}

}  // namespace fiscora

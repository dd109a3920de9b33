#include "data/atomic_file.h"

#include <cerrno>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
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
    return "permissão negada";
  if (ec == std::errc::read_only_file_system) return "a pasta está num disco somente leitura";
  if (ec == std::errc::no_space_on_device) return "disco cheio";
  if (ec == std::errc::file_too_large)
    return "o arquivo excede o tamanho permitido (disco cheio ou limite de tamanho)";
  if (ec == std::errc::no_such_file_or_directory) return "pasta inexistente";
  return ec.message();
}

namespace {

std::string ErrnoReason() {
  int e = errno;
  if (e == 0) return "erro de gravação";
  return WriteFailureReason(std::error_code(e, std::generic_category()));
}

// The file a write to `target` must change: a symbolic link is followed to
// the file it names, so that the link stays and its target gets the content.
fs::path RealTarget(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
  fs::path real = fs::weakly_canonical(target, ec);
  return ec ? target : real;
}

// An existing target the user may not write is refused before any work:
// replacing it by a rename would go around its permissions.
void CheckWritable(const fs::path& real, const fs::path& target) {
  std::error_code ec;
  if (!fs::exists(real, ec)) return;
  if (fs::is_directory(real, ec)) Fail(target, "é uma pasta");
  errno = 0;
  std::fstream probe(real, std::ios::in | std::ios::out | std::ios::binary);
  if (!probe) Fail(target, errno == 0 ? std::string("permissão negada") : ErrnoReason());
}

// The new file takes the old one's mode (and, where the system has owners,
// its owner and group), so that replacing a file never opens it to others.
void KeepModeAndOwner(const fs::path& temp, const fs::path& real) {
  std::error_code ec;
  fs::file_status old = fs::status(real, ec);
  if (ec || !fs::is_regular_file(old)) return;
  fs::permissions(temp, old.permissions(), fs::perm_options::replace, ec);
#ifndef _WIN32
  struct stat st {};
  if (::stat(real.c_str(), &st) == 0) {
    struct stat mine {};
    if (::stat(temp.c_str(), &mine) == 0 && (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid))
      (void)!::chown(temp.c_str(), st.st_uid, st.st_gid);
  }
#endif
}

// Renames temp over the real target (mode and owner kept), or removes temp
// and throws naming the user's target.
void Replace(const fs::path& temp, const fs::path& real, const fs::path& target) {
  KeepModeAndOwner(temp, real);
  std::error_code ec;
  fs::rename(temp, real, ec);
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
  const fs::path real = RealTarget(target);
  CheckWritable(real, target);
  fs::path temp = TemporaryPathBeside(real);
  {
    // Create the file first: a folder that is missing or cannot be written
    // is reported with the system's reason before any work is done.
    errno = 0;
    std::ofstream probe(temp, std::ios::binary | std::ios::trunc);
    if (!probe) {
      std::error_code ec;
      Fail(target, fs::is_directory(real.parent_path().empty() ? "." : real.parent_path(), ec)
                       ? ErrnoReason()
                       : "pasta inexistente");
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
  Replace(temp, real, target);
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
  real_ = RealTarget(target_);
  CheckWritable(real_, target_);
  temp_ = TemporaryPathBeside(real_);
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
  Replace(temp_, real_, target_);
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) {
    bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
  }
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(fs::absolute(a, ea), ea);
  fs::path cb = fs::weakly_canonical(fs::absolute(b, eb), eb);
  return !ea && !eb && ca == cb;
}

void RefuseOutputOverInputs(const fs::path& output, const std::vector<fs::path>& inputs) {
  for (const fs::path& input : inputs)
    if (SameFile(output, input))
      Fail(output, "é um arquivo de entrada (" + PathText(input) + "), que nunca é sobrescrito");
}

}  // namespace fiscora

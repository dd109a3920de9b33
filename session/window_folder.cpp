#include "session/window_folder.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#include "session/user_interface.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace fiscora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "janela-";

// The two questions about processes the system answers differently.
long long CurrentProcess() {
#ifdef _WIN32
  return static_cast<long long>(GetCurrentProcessId());
#else
  return static_cast<long long>(getpid());
#endif
}

bool ProcessRuns(long long id) {
  if (id <= 0) return true;  // not a number we made: keep the folder
#ifdef _WIN32
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD state = WaitForSingleObject(h, 0);
  CloseHandle(h);
  return state == WAIT_TIMEOUT;
#else
  return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// Deletes the files of `folder` (links as links), then the folder; false
// when something stays.
bool RemoveFolder(const fs::path& folder, UserInterface* ui) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return false;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  bool whole = true;
  for (const fs::path& p : entries) {
    std::error_code st;
    fs::file_status status = fs::symlink_status(p, st);
    bool gone = !st && !fs::is_directory(status);
    if (gone) {
      std::error_code del;
      gone = fs::remove(p, del) && !del;
    }
    if (!gone) {
      whole = false;
      if (ui) ui->Message("", "Não foi possível excluir " + p.string());
    }
  }
  std::error_code del;
  return whole && fs::remove(folder, del) && !del;
}

}  // namespace

bool WindowFolderOwnerRuns(const fs::path& folder) {
  const std::string name = folder.filename().string();
  if (name.rfind(kPrefix, 0) != 0) return true;
  const std::string rest = name.substr(kPrefix.size());
  long long id = 0;
  size_t i = 0;
  for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && i < 18; ++i)
    id = id * 10 + (rest[i] - '0');
  if (i == 0 || i >= rest.size() || rest[i] != '-') return true;
  return ProcessRuns(id);
}

WindowFolder::WindowFolder(fs::path base) : base_(std::move(base)) {
  const std::string name = base_.string();
  auto refuse = [&](const std::string& why) {
    problem_ = "Não foi possível preparar a pasta de trabalho " + name + ": " + why +
               ".\nA verificação dos arquivos não vai funcionar até que a pasta possa ser "
               "criada e gravada.";
  };
  std::error_code ec;
  // A link would lead the working files, and their removal, elsewhere.
  if (fs::is_symlink(fs::symlink_status(base_, ec))) {
    refuse("a pasta é um link simbólico");
    return;
  }
  fs::create_directories(base_, ec);
  if (!fs::is_directory(base_)) {
    std::error_code st;
    refuse(fs::exists(base_, st) ? std::string("já existe um arquivo com esse nome")
                                 : (ec ? ec.message() : "a pasta não pôde ser criada"));
    return;
  }
  // Folders of windows that died: only those named as this program names
  // them, only when their process is gone.
  for (fs::directory_iterator it(base_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code st;
    if (!fs::is_directory(it->symlink_status(st))) continue;
    if (!WindowFolderOwnerRuns(it->path())) RemoveFolder(it->path(), nullptr);
  }
  static thread_local std::mt19937_64 gen{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::ostringstream own;
    own << kPrefix << CurrentProcess() << "-" << std::hex << (gen() & 0xffffffffu);
    const fs::path p = base_ / own.str();
    std::error_code made;
    if (fs::create_directory(p, made) && !made) path_ = p;
  }
  if (path_.empty()) {
    refuse("sem permissão de gravação");
    return;
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace, ec);
  // A folder that exists but cannot be written fails here, not at the
  // first load.
  const fs::path probe = path_ / ".fiscora-gravacao";
  bool written = false;
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    out << "ok";
    out.flush();
    written = static_cast<bool>(out);
  }
  fs::remove(probe, ec);
  if (!written) {
    RemoveFolder(path_, nullptr);
    path_.clear();
    refuse("sem permissão de gravação");
  }
}

WindowFolder::~WindowFolder() { Close(nullptr); }

void WindowFolder::Close(UserInterface* ui) {
  if (path_.empty()) return;
  RemoveFolder(path_, ui);
  path_.clear();
}

}  // namespace fiscora

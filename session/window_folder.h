// The working folder of one running window. Every window has a folder of
// its own, "janela-<process>-<random>", inside the base folder (mode 0700),
// so that two windows never share working files; it goes when the window
// closes, and folders left by a window that died are removed at the next
// start.
#pragma once

#include <filesystem>
#include <string>

namespace fiscora {

class UserInterface;

class WindowFolder {
 public:
  // Makes the base folder when missing and the window's own folder in it,
  // after removing the folders of windows no longer running. A base folder
  // that is a symbolic link, or one that cannot be made or written, is
  // refused: path() is then empty and problem() says why, in the user's
  // words.
  explicit WindowFolder(std::filesystem::path base);
  // Removes the folder as Close() does, without messages.
  ~WindowFolder();
  WindowFolder(const WindowFolder&) = delete;
  WindowFolder& operator=(const WindowFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  const std::string& problem() const { return problem_; }

  // Deletes what the window wrote in its folder (files, and links as links:
  // what a link names is never touched) and the folder itself. What cannot
  // be deleted is told through `ui`: "Não foi possível excluir " + path.
  void Close(UserInterface* ui);

 private:
  std::filesystem::path base_;
  std::filesystem::path path_;
  std::string problem_;
};

// Whether the process that made a window folder still runs (by the process
// number in the folder's name). A folder whose name does not say is kept.
bool WindowFolderOwnerRuns(const std::filesystem::path& folder);

}  // namespace fiscora

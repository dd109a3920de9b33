// Each window's own working folder: private, inside the base folder, removed
// at close with nothing of anyone else's; folders of dead windows cleaned at
// the next start; a base folder that is a link refused.
#include "session/window_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "session/recording_ui.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using fiscora::testing::Slurp;
using fiscora::testing::TempDir;

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

TEST(WindowFolder, TwoWindowsHavePrivateFoldersAndCloseOnlyTheirOwn) {
  TempDir dir;
  const fs::path base = dir.path() / "cache" / "vorn";
  WindowFolder first(base);
  WindowFolder second(base);
  ASSERT_TRUE(first.problem().empty()) << first.problem();
  ASSERT_FALSE(first.path().empty());
  EXPECT_NE(first.path(), second.path());
  EXPECT_EQ(first.path().parent_path(), base);
  EXPECT_EQ(fs::status(first.path()).permissions() & fs::perms::all, fs::perms::owner_all);
  // The same working file names in both: neither truncates the other's.
  Put(first.path() / "temp_50Normal.txt", "primeira");
  Put(second.path() / "temp_50Normal.txt", "segunda");
  Put(base / "notas.txt", "do usuário");
  // A link in the folder goes as a link; its target stays.
  Put(dir.path() / "cliente.txt", "dados do cliente");
  fs::create_symlink(dir.path() / "cliente.txt", first.path() / "link.txt");

  RecordingUserInterface ui;
  const fs::path gone = first.path();
  first.Close(&ui);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs::exists(fs::symlink_status(gone)));
  EXPECT_EQ(Slurp(second.path() / "temp_50Normal.txt"), "segunda");
  EXPECT_EQ(Slurp(base / "notas.txt"), "do usuário");
  EXPECT_EQ(Slurp(dir.path() / "cliente.txt"), "dados do cliente");
}

TEST(WindowFolder, FoldersOfDeadWindowsGoAtTheNextStart) {
  TempDir dir;
  const fs::path base = dir.path() / "vorn";
  const fs::path dead = base / "janela-999999999-1a2b";  // beyond any process number
  const fs::path other = base / "minha-pasta";
  fs::create_directories(dead);
  fs::create_directories(other);
  Put(dead / "temp_50Normal.txt", "x");
  Put(other / "guardar.txt", "keep");
  WindowFolder living(base);
  const fs::path live = living.path();
  WindowFolder next(base);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live)) << "a running window's folder is kept";
  EXPECT_EQ(Slurp(other / "guardar.txt"), "keep");
  EXPECT_TRUE(WindowFolderOwnerRuns(live));
  EXPECT_FALSE(WindowFolderOwnerRuns(dead));
  EXPECT_TRUE(WindowFolderOwnerRuns(other));
}

TEST(WindowFolder, BaseFolderThatIsALinkOrAFileIsRefused) {
  TempDir dir;
  const fs::path documents = dir.path() / "documentos";
  fs::create_directories(documents);
  Put(documents / "carta.txt", "do usuário");
  fs::create_directory_symlink(documents, dir.path() / "vorn");
  Put(dir.path() / "arquivo", "x");
  struct {
    const char* name;
    fs::path base;
    const char* why;
  } cases[] = {
      {"link", dir.path() / "vorn", "a pasta é um link simbólico"},
      {"file", dir.path() / "arquivo", "já existe um arquivo com esse nome"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WindowFolder folder(c.base);
    EXPECT_TRUE(folder.path().empty());
    EXPECT_NE(folder.problem().find("Não foi possível preparar a pasta de trabalho " +
                                    c.base.string() + ": " + c.why),
              std::string::npos)
        << folder.problem();
  }
  EXPECT_EQ(Slurp(documents / "carta.txt"), "do usuário");
  EXPECT_EQ(std::distance(fs::directory_iterator(documents), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace fiscora

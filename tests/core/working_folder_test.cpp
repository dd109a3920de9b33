// The working folder: made and checked at start, cleaned at close of its
// *.txt files only, never through a symbolic link out of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "session/recording_ui.h"
#include "session/session.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using fiscora::testing::Slurp;
using fiscora::testing::TempDir;

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

TEST(WorkingFolder, CleanDeletesOnlyTxtFilesDirectlyInIt) {
  TempDir dir;
  const fs::path work = dir.path() / "vorn";
  const fs::path outside = dir.path() / "fora";
  fs::create_directories(work / "sub.txt");
  fs::create_directories(work / "pasta");
  fs::create_directories(outside);
  Put(work / "temp_50Normal.txt", "x");
  Put(work / "LEIA.TXT", "x");
  Put(work / "notas.csv", "keep");
  Put(work / "pasta" / "dentro.txt", "keep");
  Put(work / "sub.txt" / "a.txt", "keep");
  Put(outside / "cliente.txt", "dados do cliente");
  Put(outside / "outro.txt", "keep");
  // Links named *.txt: to a file outside, to a folder outside, dangling.
  fs::create_symlink(outside / "cliente.txt", work / "link.txt");
  fs::create_directory_symlink(outside, work / "pastalink.txt");
  fs::create_symlink(dir.path() / "nada", work / "quebrado.txt");

  RecordingUserInterface ui;
  CleanWorkingFolder(work, ui);

  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs::exists(work / "temp_50Normal.txt"));
  EXPECT_FALSE(fs::exists(work / "LEIA.TXT"));
  EXPECT_TRUE(fs::exists(work / "notas.csv"));
  EXPECT_TRUE(fs::exists(work / "pasta" / "dentro.txt"));
  EXPECT_TRUE(fs::exists(work / "sub.txt" / "a.txt"));
  // The links go as links; what they pointed to stays whole.
  EXPECT_FALSE(fs::exists(fs::symlink_status(work / "link.txt")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(work / "quebrado.txt")));
  EXPECT_EQ(Slurp(outside / "cliente.txt"), "dados do cliente");
  EXPECT_EQ(Slurp(outside / "outro.txt"), "keep");
  EXPECT_FALSE(fs::exists(fs::symlink_status(work / "pastalink.txt")));
  EXPECT_TRUE(fs::is_directory(outside));
}

TEST(WorkingFolder, CleanOfAFolderThatIsALinkLeavesItsTargetAlone) {
  // The working folder itself a link elsewhere is the user's choice; its
  // *.txt are the working files. A link to a file is not a folder: nothing.
  TempDir dir;
  Put(dir.path() / "arquivo.txt", "keep");
  fs::create_symlink(dir.path() / "arquivo.txt", dir.path() / "vorn");
  RecordingUserInterface ui;
  CleanWorkingFolder(dir.path() / "vorn", ui);
  EXPECT_EQ(Slurp(dir.path() / "arquivo.txt"), "keep");
}

TEST(WorkingFolder, PrepareMakesTheFolderAndLeavesNothingInIt) {
  TempDir dir;
  const fs::path work = dir.path() / "cache" / "vorn";
  RecordingUserInterface ui;
  EXPECT_TRUE(PrepareWorkingFolder(work, ui));
  EXPECT_TRUE(fs::is_directory(work));
  EXPECT_TRUE(fs::is_empty(work));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(WorkingFolder, PrepareTellsWhenTheFolderCannotBeMade) {
  TempDir dir;
  Put(dir.path() / "cache", "a file where a folder should be");
  struct {
    const char* name;
    fs::path folder;
    const char* why;
  } cases[] = {
      {"a file of that name", dir.path() / "cache", "já existe um arquivo com esse nome"},
      {"under a file", dir.path() / "cache" / "vorn", "vorn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUserInterface ui;
    EXPECT_FALSE(PrepareWorkingFolder(c.folder, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_NE(text.find("Não foi possível preparar a pasta de trabalho " + c.folder.string()),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(c.why), std::string::npos) << text;
  }
  EXPECT_EQ(Slurp(dir.path() / "cache"), "a file where a folder should be");
}

TEST(WorkingFolder, PrepareTellsWhenTheFolderCannotBeWritten) {
  TempDir dir;
  const fs::path work = dir.path() / "vorn";
  fs::create_directories(work);
  fs::permissions(work, fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(work / "probe")) {
    fs::remove(work / "probe");
    GTEST_SKIP() << "a read-only folder is writable here (root)";
  }
  RecordingUserInterface ui;
  EXPECT_FALSE(PrepareWorkingFolder(work, ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("sem permissão de gravação"), std::string::npos);
  fs::permissions(work, fs::perms::owner_all);
}

}  // namespace
}  // namespace fiscora

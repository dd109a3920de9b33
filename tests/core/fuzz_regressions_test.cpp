// Inputs kept from fuzzing (tests/fixtures/fuzz/<target>/), each run through
// the entry point of its fuzz target: the run ends normally or with an error
// reported to the user, never with a crash (the sanitizer build catches the
// memory errors). A folder per target; a new finding is one more file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "data/atomic_file.h"
#include "sintegra/header.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sintegra/record90.h"
#include "sintegra_fixture.h"
#include "sped/analysis.h"
#include "sped/input_check.h"
#include "sped/merge.h"
#include "sped/merged_file.h"
#include "workflow/envelope.h"
#include "workflow/file_choice.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;

// The same steps as the fuzz target of that name.
void SintegraLoad(TestSession& t, const std::string& path) {
  try {
    FileChosen(t.s, path);
    CheckSintegraInput(path);
    t.s.sintegra.expected_lines = CountLines(t.s, path);
    LoadSintegraFile(t.s, path, LoadMode::Normal);
  } catch (const ConversionError&) {
  } catch (const FileError&) {
  }
}

void SpedNotes(TestSession& t, const std::string& path) {
  try {
    CheckEfdInput(PathFromUtf8(path));
  } catch (const InputRefusal&) {
  }
  try {
    AnalyseSpedFile(t.s, PathFromUtf8(path));
  } catch (const SpedConversionError&) {
  } catch (const FileError&) {
  }
}

void SpedMerge(TestSession& t, const std::string& path) {
  frm_spedFormCreate(t.s);
  try {
    dlg_spedCanClose(t.s, path);
    dlg_spedCanClose(t.s, path);
    const fs::path out = t.dir.path() / "saida";
    fs::create_directories(out);
    WriteMergedSped(t.s.working_folder, out, t.ui, [](std::string_view) {});
  } catch (const SpedConversionError&) {
  } catch (const FileWriteError&) {
  } catch (const FileError&) {
  }
}

void Record90(TestSession& t, const std::string& path) {
  try {
    RebuildRecord90(PathFromUtf8(path), t.ui);
  } catch (const ConversionError&) {
  } catch (const FileWriteError&) {
  } catch (const FileError&) {
  }
}

TEST(FuzzRegressions, EveryKeptInputRunsThroughItsTarget) {
  const std::map<std::string, std::function<void(TestSession&, const std::string&)>> targets = {
      {"sintegra_load", SintegraLoad},
      {"sped_notes", SpedNotes},
      {"sped_merge", SpedMerge},
      {"record90", Record90},
  };
  const fs::path root = fs::path(FISCORA_FIXTURES) / "fuzz";
  int run = 0;
  for (const auto& [name, entry] : targets) {
    std::error_code ec;
    if (!fs::is_directory(root / name, ec)) continue;
    for (const auto& e : fs::directory_iterator(root / name)) {
      SCOPED_TRACE(e.path().string());
      TestSession t;
      // A copy in the session's folder: the rebuild writes beside its input.
      const fs::path input = t.dir.path() / "input.txt";
      fs::copy_file(e.path(), input);
      entry(t, input.string());
      // What fiscora-cli prints after it is valid UTF-8 whatever the bytes.
      EXPECT_TRUE(IsValidUtf8(BuildEnvelope(t.s, t.ui.messages, EnvelopeOptions{})));
      ++run;
    }
  }
  RecordProperty("inputs", run);
}

}  // namespace
}  // namespace fiscora

// The record 90 rebuild and the file-type choice.
#include "sintegra/record90.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "data/atomic_file.h"
#include "record90_check.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;

fs::path CopyOf(const std::string& path) {
  fs::path p(path);
  return p.parent_path() / ("Modif_" + p.filename().string());
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Lines of the file other than record 90, in order.
std::vector<std::string> WithoutRecord90(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines)
    if (l.substr(0, 2) != "90") out.push_back(l);
  return out;
}

std::string Record90(std::string_view groups, char lines = '1') {
  std::string l = "90" + std::string("12345678000195") + "123456789     " + std::string(groups);
  l.resize(125, ' ');
  return l + lines;
}

TEST(Record90Rebuild, FileWithoutRecord90GetsOneLineAfterItsLast) {
  TempDir dir;
  std::vector<std::string> lines = {R10(), Rec("11"), R50("5102", 100), R50("5102", 200),
                                    R75("P1", "X")};
  std::string f = dir.Write("in.txt", lines);
  const std::string before = Slurp(f);
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);

  EXPECT_EQ(r.output, CopyOf(f));
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 6u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(copy[i], lines[i]) << "line " << i + 1;
  EXPECT_EQ(copy[5], Record90("500000000275000000019900000006"));
  EXPECT_EQ(r.total_lines, 6);
  EXPECT_TRUE(Record90Faults(copy).empty());
  EXPECT_EQ(Slurp(f), before) << "the input is never changed";
}

TEST(Record90Rebuild, OldRecord90IsReplacedAndTheTotalCountsEveryLine) {
  TempDir dir;
  std::string old = "90" + std::string(28, '9') + "5000000099";
  old.resize(125, ' ');
  old += '1';
  std::string f = dir.Write("in.txt", {R10(), Rec("11"), Rec("54"), R50("1102", 5), old});
  RecordingUserInterface ui;
  RebuildRecord90(f, ui);
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 5u);
  // CNPJ and state registration of the old record 90, not of record 10.
  std::string expected = "90" + std::string(28, '9') + "5000000001540000000199" + "00000005";
  expected.resize(125, ' ');
  EXPECT_EQ(copy[4], expected + "1");
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(Record90Rebuild, RecordsTenAndElevenCountInTheTotalOnly) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10(), Rec("11")});
  RecordingUserInterface ui;
  RebuildRecord90(f, ui);
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 3u);
  EXPECT_EQ(copy[2], Record90("9900000003"));
}

// What is not a SINTEGRA text file (empty, binary, UTF-16, no record 10
// first) is refused with its reason: no "Modif_" copy of it.
TEST(Record90Rebuild, AFileThatIsNotSintegraTextIsRefused) {
  TempDir dir;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"binary", std::string("\x7f"
                             "ELF\x02\x01\x00\x00\x00",
                             9)},
      {"utf-16", std::string("\xff\xfe"
                             "1\x00"
                             "0\x00",
                             6)},
      {"no record 10", R50("5102", 1).str() + "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path f = dir.path() / "in.txt";
    std::ofstream(f, std::ios::binary | std::ios::trunc) << c.bytes;
    RecordingUserInterface ui;
    EXPECT_THROW(RebuildRecord90(f, ui), InputRefusal);
    EXPECT_FALSE(fs::exists(CopyOf(f.string())));
    EXPECT_EQ(Slurp(f), c.bytes);
    EXPECT_THROW(WriteFileTypeCode(f, '2', ui), InputRefusal);
    EXPECT_EQ(Slurp(f), c.bytes);
  }
}

TEST(Record90Rebuild, TwoFilesOneAfterTheOtherHaveTheirOwnCounts) {
  TempDir dir;
  std::string a = dir.Write("a.txt", {R10(), R50("5102", 1), R50("5102", 2), R50("5102", 3)});
  std::string b = dir.Write("b.txt", {R10(), R75("P1", "X")});
  RecordingUserInterface ui;
  RebuildRecord90(a, ui);
  RebuildRecord90(b, ui);
  EXPECT_EQ(FileLines(CopyOf(a).string()).back(), Record90("50000000039900000005"));
  EXPECT_EQ(FileLines(CopyOf(b).string()).back(), Record90("75000000019900000003"));
}

TEST(Record90Rebuild, TwelveCountedTypesTakeTwoLinesOf126Characters) {
  TempDir dir;
  std::vector<std::string> lines = {R10(), Rec("11")};
  for (const char* t : {"50", "51", "53", "54", "55", "56", "57", "60", "61", "70", "74", "75"})
    lines.push_back(Rec(t));
  std::string f = dir.Write("in.txt", lines);
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 16u);
  ASSERT_EQ(r.record90.size(), 2u);
  EXPECT_EQ(copy[14], Record90("500000000151000000015300000001540000000155000000015600000001"
                               "570000000160000000016100000001",
                               '2'));
  EXPECT_EQ(copy[15], Record90("7000000001740000000175000000019900000016", '2'));
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(Record90Rebuild, NineCountedTypesPutTheTotalOnANewLine) {
  TempDir dir;
  std::vector<std::string> lines = {R10()};
  for (const char* t : {"50", "51", "53", "54", "55", "56", "57", "60", "61"})
    lines.push_back(Rec(t));
  std::string f = dir.Write("in.txt", lines);
  RecordingUserInterface ui;
  RebuildRecord90(f, ui);
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 12u);
  EXPECT_EQ(copy[11], Record90("9900000012", '2'));
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(Record90Rebuild, BlockReplacedInPlaceKeepsTheSignatureLineLast) {
  TempDir dir;
  std::string signature = "EAD" + std::string(128, 'F');
  std::string old1 = Record90("5000000009", '2'), old2 = Record90("9900000009", '2');
  old1.replace(2, 14, "99888777000166");
  std::string f =
      dir.Write("in.txt", {R10(), Rec("11"), R50("5102", 1), old1, old2, signature}, "\n", false);
  RecordingUserInterface ui;
  RebuildRecord90(f, ui);
  std::string bytes = Slurp(CopyOf(f));
  EXPECT_EQ(bytes.find('\r'), std::string::npos) << "LF line ends kept";
  EXPECT_NE(bytes.back(), '\n') << "no final line end, as the input";
  std::vector<std::string> copy = FileLines(CopyOf(f).string());
  ASSERT_EQ(copy.size(), 5u);
  EXPECT_EQ(copy.back(), signature);
  EXPECT_EQ(copy[3].substr(0, 30), old1.substr(0, 30));
  EXPECT_EQ(copy[3].substr(30, 20), "50000000019900000005");
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(Record90Rebuild, LineEndsAndBytesOfOtherLinesAreKept) {
  TempDir dir;
  std::string accented = R75("P1",
                             "A\xC7\xDA"
                             "CAR");  // Windows-1252 bytes
  std::string in = R10().str() + "\r\n" + accented + "\n" + R50("1102", 7).str() + "\r\n";
  fs::path f = dir.path() / "in.txt";
  std::ofstream(f, std::ios::binary) << in;
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);
  EXPECT_EQ(Slurp(r.output), in + r.record90[0] + "\r\n");
}

TEST(Record90Rebuild, FileWithoutFinalLineEndGetsTheBlockOnItsOwnLine) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10(), R50("1102", 7)}, "\r\n", false);
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);
  EXPECT_EQ(Slurp(r.output), R10().str() + "\r\n" + R50("1102", 7).str() + "\r\n" + r.record90[0]);
}

TEST(Record90Rebuild, CarriageReturnLineEndsAreKept) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10(), R50("1102", 7)}, "\r");
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);
  EXPECT_EQ(Slurp(r.output),
            R10().str() + "\r" + R50("1102", 7).str() + "\r" + r.record90[0] + "\r");
}

// Random files: whatever the mix of types, old record 90 lines and line
// ends, the copy keeps every other line in order and its record 90 is sound.
TEST(Record90Rebuild, RandomFilesGiveSoundCopies) {
  std::mt19937 rng(20240301);
  const char* types[] = {"10", "11", "50", "51", "53", "54", "55", "56", "57", "60", "61",
                         "70", "71", "74", "75", "76", "77", "85", "86", "88", "90", "XX"};
  TempDir dir;
  RecordingUserInterface ui;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> lines = {Rec("10")};  // a SINTEGRA file starts so
    int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) lines.push_back(Rec(types[rng() % std::size(types)]));
    std::string f = dir.Write("r.txt", lines, rng() % 2 ? "\n" : "\r\n", rng() % 2);
    RebuildRecord90(f, ui);
    std::vector<std::string> copy = FileLines(CopyOf(f).string());
    EXPECT_EQ(WithoutRecord90(copy), WithoutRecord90(lines));
    if (n > 0) {
      EXPECT_EQ(Record90Faults(copy), std::vector<std::string>{});
    }
  }
}

TEST(Record90Rebuild, RealSampleWithFiveRecord90LinesKeepsItsSignatureLast) {
  fs::path sample = fs::path(FISCORA_SAMPLES) / "sintegra" / "siscomx_sintegra.txt";
  if (!fs::exists(sample)) GTEST_SKIP() << "sample files not present";
  TempDir dir;
  fs::path f = dir.path() / "sample.txt";
  fs::copy_file(sample, f);  // the copy is written beside the file
  RecordingUserInterface ui;
  Record90Rebuild r = RebuildRecord90(f, ui);
  std::vector<std::string> in = FileLines(f.string()), copy = FileLines(r.output.string());
  ASSERT_FALSE(in.empty());
  EXPECT_EQ(copy.back(), in.back());
  EXPECT_EQ(copy.back().substr(0, 3), "EAD");
  EXPECT_EQ(WithoutRecord90(copy), WithoutRecord90(in));
  EXPECT_EQ(r.record90.size(), 1u);
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(Record90Rebuild, UnwritableTargetLeavesNoPartialFile) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10(), R50("1102", 7)});
  // A folder where the copy should go: the rename cannot replace it.
  fs::create_directory(CopyOf(f));
  RecordingUserInterface ui;
  try {
    RebuildRecord90(f, ui);
    FAIL() << "no error";
  } catch (const FileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("Modif_in.txt"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"Modif_in.txt", "in.txt"}));
  EXPECT_TRUE(fs::is_directory(CopyOf(f)));
}

TEST(Record90Rebuild, ReadOnlyFolderGivesAClearMessage) {
  TempDir dir;
  fs::path folder = dir.path() / "ro";
  fs::create_directory(folder);
  std::string f = (folder / "in.txt").string();
  std::ofstream(f, std::ios::binary) << R10().str() << "\r\n";
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  bool writable = static_cast<bool>(std::ofstream(folder / "probe"));
  if (writable) {
    fs::remove(folder / "probe");
    fs::permissions(folder, fs::perms::owner_all);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  RecordingUserInterface ui;
  std::string message;
  try {
    RebuildRecord90(f, ui);
  } catch (const FileWriteError& e) {
    message = e.what();
  }
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_NE(message.find("permissão negada"), std::string::npos) << message;
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"in.txt"});
}

TEST(Record90Button, SaysWhetherTheCopyWasMade) {
  TestSession t;
  btn_reg90Click(t.s);
  SetSintegraFile(t.s, (t.dir.path() / "nothing.txt").string());
  btn_reg90Click(t.s);
  SetSintegraFile(t.s, t.File({R10(), R50("1102", 1)}));
  btn_reg90Click(t.s);
  ASSERT_EQ(t.ui.messages.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_EQ(t.ui.messages[i].title, "Fiscora");
    EXPECT_EQ(t.ui.messages[i].text, "Arquivo não existe ou campo vazio.");
  }
  EXPECT_EQ(t.ui.messages[2].text, "Registro 90 criado com sucesso!");
  EXPECT_TRUE(fs::exists(t.dir.path() / "Modif_in.txt"));
}

// ------------------------------------------------------------ file type

struct FileTypeCase {
  char button;  // the code the window hands over
  char code;    // written at column 126
  const char* label;
  const char* label2;
};

void PrintTo(const FileTypeCase& c, std::ostream* os) { *os << "button " << c.button; }

class FileTypeChoice : public ::testing::TestWithParam<FileTypeCase> {};

TEST_P(FileTypeChoice, WritesTheCodeIntoEveryRecord10AndSetsTheLabels) {
  const FileTypeCase& c = GetParam();
  TestSession t;
  std::vector<std::string> lines = {R10("12345678000195", "20240301", "20240331", '1'), Rec("11"),
                                    R50("1102", 1),
                                    R10("12345678000195", "20240301", "20240331", '2')};
  SetSintegraFile(t.s, t.File(lines));
  ConfirmFileType(t.s, c.button);
  std::vector<std::string> now = FileLines(t.s.sintegra.file);
  ASSERT_EQ(now.size(), lines.size());
  for (size_t i : {0u, 3u}) {
    EXPECT_EQ(now[i].substr(0, 125), lines[i].substr(0, 125));
    EXPECT_EQ(now[i].substr(125), std::string(1, c.code));
  }
  EXPECT_EQ(now[1], lines[1]);
  EXPECT_EQ(now[2], lines[2]);
  EXPECT_EQ(t.s.sintegra.file_type, std::string(1, c.code));
  EXPECT_EQ(t.frm.lbl_tipo_arq.text(), c.label);
  EXPECT_EQ(t.frm.lbl_tipo_arq2.text(), c.label2);
}

INSTANTIATE_TEST_SUITE_P(Buttons, FileTypeChoice,
                         ::testing::Values(FileTypeCase{'1', '1', "    1 - Normal", ""},
                                           FileTypeCase{'2', '2', " 2 - Retificação", "Total"},
                                           FileTypeCase{'3', '3', " 3 - Retificação", "Aditiva"},
                                           FileTypeCase{'5', '5', "5 - Desfazimento", ""},
                                           FileTypeCase{'0', '5', "5 - Desfazimento", ""}));

TEST(FileTypeChoiceFile, ShortRecord10IsPaddedToColumn125) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10().CutAfter(rec10::kUf), R50("1102", 1)}, "\n");
  RecordingUserInterface ui;
  EXPECT_EQ(WriteFileTypeCode(f, '3', ui), 1);
  std::string expected =
      R10().CutAfter(rec10::kUf).str() + std::string(28, ' ') + "3\n" + R50("1102", 1).str() + "\n";
  EXPECT_EQ(Slurp(f), expected);
}

TEST(FileTypeChoiceFile, KeepsLineEndsAndBytesAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string accented = R75("P1",
                             "A\xC7\xDA"
                             "CAR");
  std::string in = R10().str() + "\r\n" + accented + "\n" + R50("1102", 7).str();
  fs::path f = dir.path() / "in.txt";
  std::ofstream(f, std::ios::binary) << in;
  RecordingUserInterface ui;
  WriteFileTypeCode(f, '2', ui);
  std::string expected = in;
  expected[125] = '2';
  EXPECT_EQ(Slurp(f), expected);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"in.txt"});
}

TEST(FileTypeChoiceFile, Utf8FileCountsColumnsByCharacters) {
  TempDir dir;
  Rec r10 = R10();
  std::string line = r10.str();
  line.replace(30, 7, "AÇÚCAR ");  // two letters of two bytes each: 128 bytes, 126 characters
  fs::path f = dir.path() / "in.txt";
  std::ofstream(f, std::ios::binary) << line << "\n";
  RecordingUserInterface ui;
  WriteFileTypeCode(f, '3', ui);
  std::string now = Slurp(f);
  ASSERT_EQ(now.size(), line.size() + 1);
  EXPECT_EQ(now.substr(0, line.size() - 1), line.substr(0, line.size() - 1));
  EXPECT_EQ(now.substr(line.size() - 1), "3\n");
}

TEST(FileTypeChoiceFile, FileWithoutRecord10StaysAsItWasAndLabelsToo) {
  TestSession t;
  SetSintegraFile(t.s, t.File({Rec("11"), R50("1102", 1)}));
  const std::string before = Slurp(t.s.sintegra.file);
  t.frm.lbl_tipo_arq.SetText("    1 - Normal");
  EXPECT_THROW(ConfirmFileType(t.s, '3'), InputRefusal);
  EXPECT_EQ(Slurp(t.s.sintegra.file), before);
  EXPECT_EQ(t.frm.lbl_tipo_arq.text(), "    1 - Normal");
}

TEST(FileTypeChoiceFile, ReadOnlyFolderLeavesTheFileWhole) {
  TempDir dir;
  fs::path folder = dir.path() / "ro";
  fs::create_directory(folder);
  fs::path f = folder / "in.txt";
  std::ofstream(f, std::ios::binary) << R10().str() << "\r\n";
  const std::string before = Slurp(f);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  bool writable = static_cast<bool>(std::ofstream(folder / "probe"));
  if (writable) {
    fs::remove(folder / "probe");
    fs::permissions(folder, fs::perms::owner_all);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  RecordingUserInterface ui;
  EXPECT_THROW(WriteFileTypeCode(f, '2', ui), FileWriteError);
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(Slurp(f), before);
}

}  // namespace
}  // namespace fiscora

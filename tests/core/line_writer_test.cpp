// The working files' line writer: lines byte for byte with CR LF, also when
// full buffers are written by its thread, and a failed write told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sintegra/layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(LineWriter, WritesEveryLineInOrderAcrossManyBuffers) {
  testing::TempDir dir;
  // Several megabytes, so that full buffers go to the writing thread while
  // the next ones fill; lines of every length, one longer than a buffer.
  for (size_t lines : {size_t{0}, size_t{3}, size_t{60'000}}) {
    SCOPED_TRACE(lines);
    const fs::path path = dir.path() / "temp_60iNormal.txt";
    std::string expected;
    {
      LineWriter w(path);
      for (size_t i = 0; i < lines; ++i) {
        std::string line = "60I" + std::to_string(i) + std::string(i % 200, 'x');
        if (i == 7) line.append(size_t{3} << 20, 'y');
        w.Write(line);
        expected += line + "\r\n";
      }
      w.Close();
      EXPECT_EQ(Slurp(path), expected);
      w.Close();  // a second close changes nothing
    }
    EXPECT_EQ(Slurp(path), expected);
  }
}

TEST(LineWriter, AFailedWriteIsToldWithTheFileName) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  LineWriter w("/dev/full");
  try {
    for (int i = 0; i < 100'000; ++i) w.Write(std::string(100, 'z'));
    w.Close();
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Erro ao gravar o arquivo de trabalho /dev/full");
  }
}

}  // namespace
}  // namespace fiscora

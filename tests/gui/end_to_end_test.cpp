// A public sample verified through the window and through fiscora-cli gives
// the same labels, messages and sheets.
#include <QTabWidget>
#include <sstream>

#include "cli/cli.h"
#include "data/json.h"
#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

// Reads a JSON string starting at s[i] (a quote); i ends after it.
std::string ReadJsonString(const std::string& s, size_t& i) {
  std::string out;
  for (++i; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    char c = s[++i];
    if (c == 'n') out += '\n';
    else if (c == 'r') out += '\r';
    else if (c == 't') out += '\t';
    else if (c == 'u') {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      out += c;
    }
  }
  ++i;
  return out;
}

// The "labels" object of the envelope: control name -> text.
std::vector<std::pair<std::string, std::string>> CliLabels(const std::string& json) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t i = json.find("\"labels\":{");
  if (i == std::string::npos) return out;
  i += 10;
  while (i < json.size() && json[i] == '"') {
    std::string key = ReadJsonString(json, i);
    ++i;  // ':'
    out.emplace_back(key, ReadJsonString(json, i));
    if (json[i] == ',') ++i;
  }
  return out;
}

class EndToEndTest : public MainWindowTest {
 protected:
  void VerifyBothWays(const std::string& sample);
};

// Our example shop (with an inventory and problems to find) and a public sample.
TEST_F(EndToEndTest, ExampleGivesTheSameInTheWindowAndTheCommandLine) {
  VerifyBothWays(std::string(FISCORA_SOURCE_DIR) + "/examples/loja_exemplo_03-2025.txt");
}

TEST_F(EndToEndTest, SampleGivesTheSameInTheWindowAndTheCommandLine) {
  const std::string sample = std::string(FISCORA_SAMPLES) + "/sintegra/t2ti-paf-ecf_sintegra.txt";
  if (!fs::exists(sample)) GTEST_SKIP() << "no sample files here";
  VerifyBothWays(sample);
}

void EndToEndTest::VerifyBothWays(const std::string& sample) {
  recorder_.open_file = sample;
  Find<QAbstractButton>("sbtnarq")->click();
  Find<QAbstractButton>("sbtnverificar")->click();
  Pump();

  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"verificar", sample}, out, err), 0) << err.str();
  auto labels = CliLabels(out.str());
  ASSERT_GT(labels.size(), 40u);
  for (const auto& [name, text] : labels) {
    SCOPED_TRACE(name);
    QObject* widget = frm_->findChild<QObject*>(QString::fromStdString(name));
    ASSERT_NE(widget, nullptr);
    auto shown = CaptionOf(widget);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->toStdString(), text);
  }

  // The same messages, in the same order.
  std::string json = out.str();
  size_t at = 0;
  for (const RecordedMessage& m : recorder_.messages) {
    SCOPED_TRACE(m.title);
    at = json.find(JsonEscape(m.text), at);
    EXPECT_NE(at, std::string::npos);
  }
  EXPECT_FALSE(recorder_.messages.empty());

  // The same visible sheets, left to right.
  auto* tabs = Find<QTabWidget>("pgcdados");
  ASSERT_NE(tabs, nullptr);
  std::string shown_tabs;
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->isTabVisible(i)) shown_tabs += JsonEscape(tabs->tabText(i).toStdString()) + ",";
  shown_tabs.pop_back();
  EXPECT_NE(json.find("\"tabs\":[" + shown_tabs + "]"), std::string::npos) << shown_tabs;
}

}  // namespace
}  // namespace fiscora::qt

// A public sample verified through the window and through fiscora-cli gives
// the same labels, messages and sheets.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>
#include <sstream>

#include "cli/cli.h"
#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

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
  QJsonParseError error;
  QJsonObject envelope =
      QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  QJsonObject labels = envelope["labels"].toObject();
  ASSERT_GT(labels.size(), 40);
  for (auto it = labels.begin(); it != labels.end(); ++it) {
    SCOPED_TRACE(it.key().toStdString());
    QObject* widget = frm_->findChild<QObject*>(it.key());
    ASSERT_NE(widget, nullptr);
    auto shown = CaptionOf(widget);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(*shown, it.value().toString());
  }

  // The same messages, in the same order.
  QJsonArray messages = envelope["messages"].toArray();
  ASSERT_EQ(messages.size(), static_cast<qsizetype>(recorder_.messages.size()));
  EXPECT_FALSE(recorder_.messages.empty());
  for (qsizetype i = 0; i < messages.size(); ++i) {
    const RecordedMessage& m = recorder_.messages[static_cast<size_t>(i)];
    EXPECT_EQ(messages[i].toObject()["title"].toString().toStdString(), m.title);
    EXPECT_EQ(messages[i].toObject()["text"].toString().toStdString(), m.text);
  }

  // The same visible sheets, left to right.
  auto* tabs = Find<QTabWidget>("pgcdados");
  ASSERT_NE(tabs, nullptr);
  QJsonArray shown_tabs;
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->isTabVisible(i)) shown_tabs.append(tabs->tabText(i));
  EXPECT_EQ(envelope["tabs"].toArray(), shown_tabs);
}

}  // namespace
}  // namespace fiscora::qt

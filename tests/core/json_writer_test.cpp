// The JSON writer: what it escapes, text longer than its buffer, numbers,
// and the sinks it writes to (a string, a stream that fails, a file through
// the atomic writer, fiscora-cli's envelope).
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "data/json.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using nlohmann::json;

std::string StringJson(std::string_view s) {
  return JsonText([&](JsonWriter& w) { w.String(s); });
}

TEST(JsonWriter, EscapesOnlyWhatJsonMust) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", R"("")"},
      {"plain text", R"("plain text")"},
      {"a\"b", R"("a\"b")"},
      {"a\\b", R"("a\\b")"},
      {"\n\r\t", R"("\n\r\t")"},
      {std::string("\0\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
      {"\x7f/", "\"\x7f/\""},                    // DEL and the slash stay
      {"a\xc3\xa7\xe3o", "\"a\xc3\xa7\xe3o\""},  // bytes above 0x7f as they are
      {"\"\"\\\\", R"("\"\"\\\\")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(StringJson(c.in), c.out);
    std::string key = JsonText([&](JsonWriter& w) {
      w.BeginObject();
      w.Key(c.in);
      w.Null();
      w.Key(JsonKey(c.in));
      w.Null();
      w.EndObject();
    });
    EXPECT_EQ(key, "{" + c.out + ":null," + c.out + ":null}");
  }
}

// Sinks that record the pieces they get.
struct PiecesSink : OutputSink {
  std::vector<std::string> pieces;
  void Write(std::string_view bytes) override { pieces.emplace_back(bytes); }
  std::string All() const {
    std::string all;
    for (const auto& p : pieces) all += p;
    return all;
  }
};

// Texts around and well past the buffer's size, with bytes to escape at
// every position near the buffer's end, read back whole.
TEST(JsonWriter, TextLongerThanTheBufferReadsBack) {
  for (size_t size : {size_t{65530}, size_t{65536}, size_t{65537}, size_t{200000}}) {
    for (size_t escape_at : {size_t{0}, size_t{65533}, size_t{65534}, size_t{65535}}) {
      SCOPED_TRACE(std::to_string(size) + " " + std::to_string(escape_at));
      std::string text(size, 'x');
      for (size_t i = escape_at; i < size; i += 7919) text[i] = i % 2 ? '\x01' : '"';
      PiecesSink sink;
      JsonWriter w(sink);
      w.BeginArray();
      w.Int(1);
      w.String(text);
      w.String(text);
      w.EndArray();
      w.Flush();
      json back = json::parse(sink.All());
      EXPECT_EQ(back[1].get<std::string>(), text);
      EXPECT_EQ(back[2].get<std::string>(), text);
      EXPECT_GT(sink.pieces.size(), 1u);
    }
  }
}

TEST(JsonWriter, NothingReachesTheSinkBeforeTheBufferFillsOrFlush) {
  PiecesSink sink;
  JsonWriter w(sink);
  w.BeginObject();
  w.Key("a");
  w.Int(1);
  w.EndObject();
  EXPECT_TRUE(sink.pieces.empty());
  w.Flush();
  EXPECT_EQ(sink.All(), R"({"a":1})");
  w.Flush();
  EXPECT_EQ(sink.pieces.size(), 1u);
}

TEST(JsonWriter, NumbersMoneyAndLiterals) {
  std::string text = JsonText([](JsonWriter& w) {
    w.BeginArray();
    w.Int(std::numeric_limits<int64_t>::min());
    w.Int(0);
    w.Double(0.1);
    w.Double(-1e300);
    w.Double(std::numeric_limits<double>::quiet_NaN());
    w.Double(std::numeric_limits<double>::infinity());
    w.MoneyString(Money::FromRaw(1750000));
    w.MoneyString(Money::FromRaw(-1));
    w.MoneyString(Money::FromRaw(std::numeric_limits<int64_t>::min()));
    w.Bool(true);
    w.Bool(false);
    w.Null();
    w.BeginObject();
    w.EndObject();
    w.BeginArray();
    w.EndArray();
    w.EndArray();
  });
  EXPECT_EQ(text,
            "[-9223372036854775808,0,0.1,-1e+300,null,null,\"175.0000\",\"-0.0001\","
            "\"-922337203685477.5808\",true,false,null,{},[]]");
}

TEST(JsonWriter, StreamThatRefusesTheBytesThrows) {
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  StreamSink sink(out);
  JsonWriter w(sink);
  w.String("x");
  EXPECT_THROW(w.Flush(), std::runtime_error);
}

// fiscora-cli writes its envelope to any sink; a refusal writes nothing.
TEST(JsonWriter, CliEnvelopeToAFileOrNothingOnARefusal) {
  testing::TempDir dir;
  const std::string file = dir.Write("in.txt", {testing::R10().str()});
  const std::filesystem::path target = dir.path() / "envelope.json";
  std::ostringstream err;
  {
    AtomicFile f(target);
    AtomicFileSink sink(f);
    ASSERT_EQ(RunCli({"carregar", file}, sink, err), 0) << err.str();
    f.Commit();
  }
  json envelope = json::parse(testing::Slurp(target));
  EXPECT_EQ(envelope["state"]["file_type"], "1");

  std::string text;
  StringSink sink(text);
  EXPECT_EQ(RunCli({"carregar", (dir.path() / "falta.txt").string()}, sink, err), 1);
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace fiscora

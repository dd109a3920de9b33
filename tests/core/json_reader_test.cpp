// Reading JSON back: what the writer writes comes back the same, and text
// that is not JSON is refused with the byte where reading stopped.
#include "data/json_reader.h"

#include <gtest/gtest.h>

#include "data/json.h"

namespace fiscora {
namespace {

TEST(JsonReader, WhatTheWriterWritesComesBack) {
  const std::string text = JsonText([](JsonWriter& w) {
    w.BeginObject();
    w.Key("texto");
    w.String("Ação \"x\"\\\n\t\x01 R$ 1.234,56");
    w.Key("numeros");
    w.BeginArray();
    w.Int(-42);
    w.Double(2.5);
    w.EndArray();
    w.Key("sim");
    w.Bool(true);
    w.Key("nada");
    w.Null();
    w.Key("vazio");
    w.BeginObject();
    w.EndObject();
    w.EndObject();
  });
  JsonValue v = ParseJson(text);
  EXPECT_EQ(v["texto"].Str(), "Ação \"x\"\\\n\t\x01 R$ 1.234,56");
  ASSERT_EQ(v["numeros"].items.size(), 2u);
  EXPECT_EQ(v["numeros"].items[0].AsInt(), -42);
  EXPECT_EQ(v["numeros"].items[1].text, "2.5");
  EXPECT_EQ(v["numeros"].items[1].AsInt(), 0);  // not an integer
  EXPECT_TRUE(v["sim"].boolean);
  EXPECT_TRUE(v["nada"].IsNull());
  EXPECT_EQ(v["vazio"].kind, JsonValue::Kind::kObject);
  EXPECT_TRUE(v["ausente"].IsNull());
  EXPECT_EQ(ParseJson(R"("\u00e7\ud83d\ude00")").Str(), "ç\xF0\x9F\x98\x80");
}

TEST(JsonReader, NotJsonIsRefusedWhereReadingStopped) {
  struct Case {
    const char* text;
    const char* where;
  } cases[] = {
      {"", "byte 0"},    {"{\"a\":1", "byte 6"}, {"[1,2", "byte 4"},  {"{\"a\" 1}", "byte 5"},
      {"tru", "byte 0"}, {"\"abc", "byte 4"},    {"[1] x", "byte 4"}, {"\"\\q\"", "byte 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseJson(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const JsonParseError& e) {
      EXPECT_NE(std::string(e.what()).find(c.where), std::string::npos) << e.what();
    }
  }
}

TEST(JsonReader, FirstMemberAndOneValueAtATime) {
  const std::string text =
      R"({"labels":{"a":"\"state\":1"},"state":{"n":3},"tables":{"findings":[{"l":1}, {"l":2}]}})";
  EXPECT_EQ(FirstMember(text, "state")["n"].AsInt(), 3);
  EXPECT_TRUE(FirstMember(text, "nenhum").IsNull());
  size_t pos = FindMember(text, "findings") + 1;  // past '['
  EXPECT_EQ(ParseJsonAt(text, pos)["l"].AsInt(), 1);
  EXPECT_EQ(text[pos], ',');
  ++pos;
  EXPECT_EQ(ParseJsonAt(text, pos)["l"].AsInt(), 2);
  EXPECT_EQ(text[pos], ']');
}

}  // namespace
}  // namespace fiscora

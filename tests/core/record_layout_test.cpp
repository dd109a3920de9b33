// The record layouts as a table: every record's fields, in column order,
// cover columns 1 to 126 once each.
#include "sintegra/record_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "sintegra/layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

TEST(RecordLayout, FieldsCoverEveryColumnOnce) {
  for (const RecordLayout& layout : kRecordLayouts) {
    SCOPED_TRACE("registro " + std::string(layout.type));
    ASSERT_FALSE(layout.fields.empty());
    int next = 1;  // the first column no field has taken yet
    for (const FieldSpec& f : layout.fields) {
      SCOPED_TRACE(std::string(f.name));
      EXPECT_EQ(f.first, next) << (f.first > next ? "gap before the field" : "overlap");
      EXPECT_GT(f.width, 0);
      EXPECT_GE(f.decimals, 0);
      EXPECT_LT(f.decimals, f.width);
      EXPECT_FALSE(f.name.empty());
      next = f.last() + 1;
    }
    EXPECT_EQ(next, kRecordWidth + 1) << "the fields end at column " << next - 1;
    // The record type is the first field, as wide as the type.
    EXPECT_EQ(layout.fields.front().first, 1);
    EXPECT_EQ(layout.fields.front().width, static_cast<int>(layout.type.size()));
  }
}

TEST(RecordLayout, NumberWidthCountsTheDecimals) {
  // N 11.2: 13 characters, the last 2 decimals.
  EXPECT_EQ(rec50::kValorTotal.width, 13);
  EXPECT_EQ(rec50::kValorTotal.whole(), 11);
  // A record line views its bytes: the text must outlive it.
  const std::string text = testing::Rec("50").Num(rec50::kValorTotal, 1234567).str();
  RecordLine line(text, false);
  EXPECT_EQ(line.Raw(rec50::kValorTotal), "0000001234567");
  EXPECT_EQ(line.Amount(rec50::kValorTotal), Money::FromUnits(12345) + Money::FromRaw(6700));
  // N 8.3 as its joined text.
  const std::string item_text = testing::Rec("54").Num(rec54::kQuantidade, 2500).str();
  RecordLine item(item_text, false);
  EXPECT_EQ(item.Joined(rec54::kQuantidade), "00000002,500");
}

}  // namespace
}  // namespace fiscora

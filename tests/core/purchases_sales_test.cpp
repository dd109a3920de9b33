// Purchases versus sales: the direction of each note by its CFOP, the
// coupon totals overall and per fiscal printer, the series D total and the
// warning when exits fall below 120% of the entries.
#include "sintegra/purchases_sales.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sintegra/header.h"
#include "sintegra/loader.h"
#include "sintegra_fixture.h"
#include "workflow/verification.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

// Chooses a file of a record 10 and these lines, and verifies it.
std::vector<std::string> SlotOrders(const Session& s) {
  std::vector<std::string> out;
  for (const EcfSlot& slot : s.sintegra.ecf_slots) out.push_back(slot.ordem);
  return out;
}

TEST(PurchasesVersusSales, CfopDecidesWhereANoteCounts) {
  enum Total { kNowhere, kEntries, kEntriesOthers, kExits, kExitsOthers };
  struct Case {
    const char* cfop;
    Total total;
  } cases[] = {
      {"5102", kExits},         {"6108", kExits},         {"5906", kExits},
      {"5911", kExits},         {"5929", kNowhere},       {"6929", kNowhere},
      {"5202", kExitsOthers},   {"6202", kExitsOthers},   {"5926", kExitsOthers},
      {"6926", kExitsOthers},   {"5905", kExitsOthers},   {"6905", kExitsOthers},
      {"1102", kEntries},       {"2102", kEntries},       {"3102", kEntries},
      {"1929", kEntries},       {"2929", kEntries},       {"1905", kEntries},
      {"7101", kEntries},       {"7929", kEntries},       {"1202", kEntriesOthers},
      {"2202", kEntriesOthers}, {"1926", kEntriesOthers}, {"1911", kEntriesOthers},
      {"1653", kEntriesOthers}, {"1910", kEntriesOthers}, {"1912", kEntriesOthers},
      {"1915", kEntriesOthers}, {"1916", kEntriesOthers}, {"1906", kEntriesOthers},
      {"7202", kEntriesOthers},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cfop);
    TestSession t;
    t.Verify({R50(c.cfop, 12345)});
    auto expect = [&](Total total) { return c.total == total ? "R$ 123,45" : "R$ 0,00"; };
    EXPECT_EQ(t.frm.lblentradas.text(), expect(kEntries));
    EXPECT_EQ(t.frm.lblentradas_outros.text(), expect(kEntriesOthers));
    EXPECT_EQ(t.frm.lblmod1.text(), expect(kExits));
    EXPECT_EQ(t.frm.lblsaidas.text(), expect(kExits));
    EXPECT_EQ(t.frm.lblsaidas_outros.text(), expect(kExitsOthers));
  }
}

TEST(PurchasesVersusSales, ExitsJoinNotesCouponsAndSeriesD) {
  TestSession t;
  t.Verify({R50("5102", 100000), R50("6102", 23456), R50("1102", 50000), R60M("ECF1", "001"),
            R60A("ECF1", "1700", 20000), R60A("ECF1", "F", 10000), R60A("ECF1", "DESC", 500),
            R60A("ECF1", "CANC", 750), R61R(4544)});
  const MainWindowState& f = t.frm;
  EXPECT_EQ(f.lblmod1.text(), "R$ 1.234,56");
  EXPECT_EQ(f.lblCupom.text(), "R$ 300,00");
  EXPECT_EQ(f.lbl_61R.text(), "R$ 45,44");
  EXPECT_EQ(f.lblsaidas.text(), "R$ 1.580,00");
  EXPECT_EQ(f.lblentradas.text(), "R$ 500,00");
  EXPECT_EQ(f.lbldesc.text(), "R$: 5,00");
  EXPECT_EQ(f.lblcanc.text(), "R$: 7,50");
  // net coupons plus cancellations plus discounts
  EXPECT_EQ(f.lbltotal_bruto_cf.text(), "R$ 312,50");
  EXPECT_EQ(t.s.sintegra.coupon_discounts, Money::FromUnits(5));
  EXPECT_EQ(t.s.sintegra.coupon_cancellations, Money::FromRaw(75000));
}

// Totals of more than ten digits are still shown to the cent.
TEST(PurchasesVersusSales, LargeAmountsAreShownToTheCent) {
  TestSession t;
  t.Verify({R50("5102", 1234567890123LL), R60A("E1", "DESC", 123456789012LL)});
  EXPECT_EQ(t.frm.lblmod1.text(), "R$ 12.345.678.901,23");
  EXPECT_EQ(t.frm.lbldesc.text(), "R$: 1.234.567.890,12");
}

TEST(PurchasesVersusSales, GaugeRunsOverTheNotesAndReturnsToZero) {
  TestSession t;
  std::string f = t.File({R50("5102", 100), R50("1102", 100), R50("5929", 100)});
  LoadSintegraFile(t.s, f, LoadMode::Normal);
  PurchasesVersusSales(t.s, LoadMode::Normal);
  EXPECT_EQ(t.frm.progresso.max(), 3);
  EXPECT_EQ(t.frm.progresso.position(), 0);
}

TEST(PurchasesVersusSales, WarnsWhenExitsFallBelow120PercentOfEntries) {
  struct Case {
    long long entries, exits;  // cents
    const char* difference;    // nullptr: no warning
  } cases[] = {
      {10000, 12000, nullptr},  // exactly 120%
      {10000, 12001, nullptr},
      {10000, 11999, "Saidas: R$ 119,99 - 120% das Entradas: R$ 120,00  =  R$ -0,01"},
      {10, 12, nullptr},  // 1.2 × 0,10 is 0,12 exactly, not a hair above
      {333, 400, nullptr},
      {333, 399, "Saidas: R$ 3,99 - 120% das Entradas: R$ 4,00  =  R$ -0,01"},
      {100000000, 0, "Saidas: R$ 0,00 - 120% das Entradas: R$ 1.200.000,00  =  R$ -1.200.000,00"},
      {0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.entries << " in, " << c.exits << " out");
    TestSession t;
    t.Verify({R50("1102", c.entries), R50("5102", c.exits)});
    const bool warn = c.difference != nullptr;
    EXPECT_EQ(t.frm.gboxdif.visible(), warn);
    EXPECT_EQ(t.frm.lbldiferenca.visible(), warn);
    EXPECT_EQ(t.frm.lblalerta.visible(), warn);
    if (warn) {
      EXPECT_EQ(t.frm.lbldiferenca.text(), c.difference);
    }
  }
}

TEST(PurchasesVersusSales, RunWithoutTheShortfallHidesTheWarningAgain) {
  TestSession t;
  t.Verify({R50("1102", 10000), R50("5102", 5000)});
  ASSERT_TRUE(t.frm.gboxdif.visible());

  // The file is corrected and verified again without choosing it anew.
  t.File({R10(), R50("1102", 10000), R50("5102", 20000)});
  sbtnverificarClick(t.s);
  EXPECT_FALSE(t.frm.gboxdif.visible());
  EXPECT_FALSE(t.frm.lbldiferenca.visible());
  EXPECT_FALSE(t.frm.lblalerta.visible());
}

TEST(PurchasesVersusSales, EmptyFileGivesZeroTotalsAndNoWarning) {
  TestSession t;
  t.Verify({});
  const MainWindowState& f = t.frm;
  for (const Control* label :
       {&f.lblentradas, &f.lblentradas_outros, &f.lblsaidas, &f.lblsaidas_outros, &f.lblmod1,
        &f.lblCupom, &f.lbl_61R, &f.lbltotal_bruto_cf}) {
    SCOPED_TRACE(label->name());
    EXPECT_EQ(label->text(), "R$ 0,00");
  }
  EXPECT_EQ(f.lbldesc.text(), "R$: 0,00");
  EXPECT_EQ(f.lblcanc.text(), "R$: 0,00");
  EXPECT_FALSE(f.gboxdif.visible());
  EXPECT_FALSE(f.lbldiferenca.visible());
  EXPECT_FALSE(f.lblalerta.visible());
  // No printer: the panels keep what the file choice left.
  EXPECT_EQ(f.lblecf001.text(), "ECF 000:");
  EXPECT_EQ(f.lblcupomecf1.text(), "");
}

TEST(PurchasesVersusSales, PrinterSlotsInOrderOfFirstAppearance) {
  // clang-format off
  struct Case {
    const char* name;
    std::vector<const char*> orders;  // one 60M line each, serial "S" + order
    std::vector<std::string> slots;
  } cases[] = {
      {"one printer on two days", {"001", "001"}, {"001", "", "", "", "", ""}},
      {"order of appearance", {"002", "001", "002"}, {"002", "001", "", "", "", ""}},
      {"010 is no slot", {"001", "010", "002"}, {"001", "002", "", "", "", ""}},
      {"000 is no slot", {"000"}, {"", "", "", "", "", ""}},
      {"seventh printer", {"001", "002", "003", "004", "005", "006", "007"},
       {"001", "002", "003", "004", "005", "006"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    std::vector<std::string> lines;
    for (size_t i = 0; i < c.orders.size(); ++i)
      lines.push_back(
          R60M(std::string("S") + c.orders[i], c.orders[i], i % 2 ? "20240306" : "20240305"));
    t.Verify(lines);
    EXPECT_EQ(SlotOrders(t.s), c.slots);
    for (size_t i = 0; i < 6; ++i) {
      const std::string& ordem = c.slots[i];
      EXPECT_EQ(t.s.sintegra.ecf_slots[i].nserie, ordem.empty() ? "" : "S" + ordem)
          << "slot " << i + 1;
      EXPECT_EQ(t.frm.ecf_name[i]->text(), "ECF " + (ordem.empty() ? "000" : ordem) + ":")
          << "slot " << i + 1;
    }
  }
}

TEST(PurchasesVersusSales, PrinterWithoutSlotCountsOnlyOverall) {
  TestSession t;
  t.Verify({R60M("A", "001"), R60M("B", "010"), R60A("A", "1700", 10000), R60A("B", "1700", 5000),
            R60A("B", "DESC", 100), R60A("B", "CANC", 200)});
  EXPECT_EQ(t.frm.lblCupom.text(), "R$ 150,00");
  EXPECT_EQ(t.frm.lbldesc.text(), "R$: 1,00");
  EXPECT_EQ(t.frm.lblcanc.text(), "R$: 2,00");
  EXPECT_EQ(t.frm.lblcupomecf1.text(), "R$ 100,00");
  EXPECT_EQ(t.frm.lbldescecf1.text(), "R$ ,00");
  EXPECT_EQ(t.frm.lblcancecf1.text(), "R$ ,00");
  EXPECT_EQ(t.frm.lblecf002.text(), "ECF 000:");
  EXPECT_EQ(t.frm.lblcupomecf2.text(), "");
}

TEST(PurchasesVersusSales, SeventhPrinterCountsOnlyOverall) {
  TestSession t;
  std::vector<std::string> lines;
  for (char n = '1'; n <= '7'; ++n) {
    std::string order = std::string("00") + n;
    lines.push_back(R60M("S" + order, order));
    lines.push_back(R60A("S" + order, "1700", 100 * (n - '0')));
  }
  t.Verify(lines);
  EXPECT_EQ(t.frm.lblCupom.text(), "R$ 28,00");
  EXPECT_EQ(t.frm.lblcupomecf6.text(), "R$ 6,00");
  EXPECT_TRUE(t.frm.pnlecf6.visible());
}

TEST(PurchasesVersusSales, SlotTotalsPerKind) {
  TestSession t;
  t.Verify({R60M("A", "001"), R60M("B", "002"), R60A("A", "1700", 123450), R60A("A", "I", 50),
            R60A("A", "DESC", 50), R60A("A", "CANC", 200), R60A("A", "CANC", 100)});
  const MainWindowState& f = t.frm;
  // Below 1 the pattern writes no whole-number digit.
  EXPECT_EQ(f.lblcupomecf1.text(), "R$ 1.235,00");
  EXPECT_EQ(f.lbldescecf1.text(), "R$ ,50");
  EXPECT_EQ(f.lblcancecf1.text(), "R$ 3,00");
  const EcfSlot& a = t.s.sintegra.ecf_slots[0];
  EXPECT_EQ(a.tot_liquido, "1235");
  EXPECT_EQ(a.tot_desc, "0,5");
  EXPECT_EQ(a.tot_canc, "3");
  // A printer without any 60A line: every kind at 0.
  EXPECT_EQ(f.lblecf002.text(), "ECF 002:");
  EXPECT_EQ(f.lblcupomecf2.text(), "R$ ,00");
  EXPECT_EQ(f.lbldescecf2.text(), "R$ ,00");
  EXPECT_EQ(f.lblcancecf2.text(), "R$ ,00");
  EXPECT_EQ(t.s.sintegra.ecf_slots[1].tot_liquido, "0");
}

}  // namespace
}  // namespace fiscora

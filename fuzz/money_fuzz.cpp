// The money and number parsers and formatters: a parsed value formats
// without failing, and a money amount survives its own text.
#include <cstdlib>
#include <string>

#include "data/format.h"
#include "data/money.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto m = ParseMoney(text)) {
    (void)FormatMoney(*m);
    (void)FormatNumber(*m);
    (void)FormatGeneral(*m);
    (void)FormatPattern(*m, "###,###,##0.00");
  }
  if (auto d = ParseDouble(text)) {
    (void)FormatMoney(*d);
    (void)FormatNumber(*d);
    (void)FormatGeneral(*d);
    (void)DoubleToJson(*d);
  }
  (void)ParseInt32(text);
  (void)ParseDecimalComma(text);
  return 0;
}

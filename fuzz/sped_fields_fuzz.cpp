// The SPED line reader and the field access over any bytes: every line is
// cut in the three fill modes, and each cut must agree with the literal
// rule (fill the text, then take the fields one by one); a cut that stops
// early must agree on the fields it kept. A file whose line breaks are
// mixed is refused as a whole (InputRefusal), which is a sound outcome.
#include <cstdlib>

#include "data/block_lines.h"
#include "fuzz_common.h"
#include "sped/fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  SpedLineReader reader(path);
  SpedFields fields;
  std::string_view line;
  try {
    while (reader.Next(line)) {
      const std::string text(line);
      (void)reader.Decode(text);
      (void)SpedRegister(text);
      const struct {
        SpedFields::Fill fill;
        std::string filled;
      } forms[] = {{SpedFields::Fill::kRaw, text},
                   {SpedFields::Fill::kOnce, SpedFillEmpty(text)},
                   {SpedFields::Fill::kTwice, SpedFillTwice(text)}};
      for (const auto& form : forms) {
        fields.Parse(text, form.fill);
        for (int n = 0; n <= fields.size(); ++n)
          if (fields[n] != SpedField(form.filled, n)) std::abort();
        fields.Parse(text, form.fill, 3);
        for (int n = 0; n <= 3; ++n)
          if (fields[n] != SpedField(form.filled, n)) std::abort();
      }
      try {
        (void)SpedMoney(SpedField(text, 1), {"fuzz", reader.line_number(), "X"}, 1, "VL");
      } catch (const SpedConversionError&) {
      }
    }
  } catch (const InputRefusal&) {
  }
  return 0;
}

// The line reader and the field readers of a record line over any bytes.
#include "fuzz_common.h"
#include "sintegra/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  LineReader reader(path);
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  std::string_view bytes;
  const std::string name = "fuzz";
  while (reader.Next(bytes)) {
    RecordLine line(bytes, sniffer.LineIsUtf8(bytes), &name, reader.line_number());
    (void)line.Type(3);
    (void)line.Text(1, 200);
    (void)line.Trimmed(20, 40);
    (void)line.Date(5);
    (void)Cp1252ToUtf8(bytes);
    try {
      (void)line.Amount(3, 11, 2, "valor");
      (void)line.Float(3, 5, 4, "quantidade");
      (void)line.Integer(3, 6, "numero");
    } catch (const ConversionError&) {
    }
  }
  return 0;
}

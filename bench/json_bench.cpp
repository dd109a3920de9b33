// The JSON writer alone: a large table written through WriteTableRows to a
// sink that only counts the bytes, as fiscora-cli writes a table it dumps.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "data/catalogue.h"
#include "data/json.h"

namespace {

// Counts the bytes and drops them.
class CountingSink final : public fiscora::OutputSink {
 public:
  void Write(std::string_view bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    bytes_ += static_cast<int64_t>(bytes.size());
  }
  int64_t bytes() const { return bytes_; }

 private:
  int64_t bytes_ = 0;
};

// 1,000,000 rows of cds_60i_item: text (codes, dates, serial numbers, a rate
// with a character to escape now and then), money and float fields.
void BM_JsonWriteTable(benchmark::State& state) {
  fiscora::TdtmCENTRAL dtm;
  fiscora::ClientTable& t = dtm.cds_60i_item;
  using namespace fiscora::f60i_item;
  for (int64_t i = 0; i < 1'000'000; ++i) {
    t.Append();
    t.SetText(codigo, std::to_string(7899990000000 + i % 50000));
    t.SetText(data, "14/03/2025");
    t.SetText(serie, "BE091010100011223344");
    t.SetText(aliquota, i % 97 == 0 ? "17\"" : "1700");
    t.SetMoney(valor, fiscora::Money::FromRaw(12990 + i % 1000 * 100));
    t.SetFloat(quantidade, 1.5 + static_cast<double>(i % 7));
    t.SetMoney(valor_total, fiscora::Money::FromRaw(1234567 + i));
    t.Post();
  }
  int64_t bytes = 0;
  for (auto _ : state) {
    CountingSink sink;
    fiscora::JsonWriter w(sink);
    fiscora::WriteTableRows(w, t);
    w.Flush();
    bytes += sink.bytes();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_JsonWriteTable)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

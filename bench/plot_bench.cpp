// One paint of the telemetry plot at its heaviest: a full hour of samples at the shortest poll
// period (36,000), shown at the 60-minute span, 1000 by 400 pixels, offscreen. The plot repaints
// once per sample, so at 100 ms one paint must stay far below 100 ms for the page to cost little;
// the window's CPU over wall time is measured by the operate benchmark.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "operate/TelemetryHistory.h"
#include "operate/TelemetryPlot.h"

namespace {

// Readings that move every sample, with standby stretches and a few failed runs, so every
// column carries a min/max pair and the shading is drawn.
void Fill(vlx::TelemetryHistory& history) {
  for (std::uint32_t i = 0; i < vlx::TelemetryHistory::kCapacity; ++i) {
    vlx::TelemetrySample sample;
    sample.tick = i * 100;
    if (i % 997 == 0) {
      sample.error = 29;
      history.Append(sample);
      continue;
    }
    sample.deviceState = vlx::device_state::kOperating;
    const bool operating = i / 3000 % 2 == 0;
    const std::uint16_t wave = static_cast<std::uint16_t>((i * 7) % 113);
    sample.readings = vlx::OperateReadings{5,
                                           operating ? 1u : 0u,
                                           static_cast<std::uint8_t>(i % 5000 < 20 ? 0x23 : 0),
                                           static_cast<std::uint16_t>(operating ? 300 + wave : 0),
                                           static_cast<std::uint16_t>(10 + wave % 9),
                                           static_cast<std::uint16_t>(35 + i / 1000),
                                           static_cast<std::uint16_t>(730 - wave / 4),
                                           static_cast<std::uint16_t>(operating ? 150 + wave : 5)};
    history.Append(sample);
  }
}

void BM_PaintFullPlot(benchmark::State& state) {
  vlx::TelemetryHistory history;
  Fill(history);
  vlx::TelemetryPlot plot;
  plot.SetHistory(&history);
  plot.SetSpanMinutes(60);
  plot.resize(1000, 400);
  QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
  plot.render(&image);  // the frame and grid are cached from the first paint on
  for (auto _ : state) {
    plot.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_PaintFullPlot)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

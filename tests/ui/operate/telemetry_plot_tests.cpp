// The telemetry plot drawn offscreen: its lines, a gap as a break, standby shaded and a fault
// marked, and what hovering shows.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <map>

#include "operate/TelemetryHistory.h"
#include "operate/TelemetryPlot.h"
#include "report/ErrorText.h"

namespace vlx {
namespace {

constexpr std::uint32_t kStart = 0xFFFF0000u;  // the ticks wrap halfway through

TelemetrySample At(std::uint32_t seconds10ths, std::uint32_t mode, std::uint8_t fault = 0) {
  TelemetrySample sample;
  sample.tick = kStart + seconds10ths * 100;
  sample.time = LocalTime{2026, 12, 10, 19, 55, 0, 0, 60};
  sample.deviceState = device_state::kOperating;
  // Slow waves, so each strip draws a line and not a flat edge.
  const std::uint16_t wave = static_cast<std::uint16_t>(seconds10ths % 100);
  sample.readings = OperateReadings{5,
                                    mode,
                                    fault,
                                    static_cast<std::uint16_t>(mode == 1 ? 400 + wave : 0),
                                    static_cast<std::uint16_t>(11 + wave / 20),
                                    static_cast<std::uint16_t>(40 + wave / 10),
                                    static_cast<std::uint16_t>(720 - wave / 5),
                                    static_cast<std::uint16_t>(mode == 1 ? 150 + wave : 5)};
  return sample;
}

// One minute at 100 ms: operating 0-20 s, failed runs 20-30 s, operating 30-40 s (a fault read at
// 35-40 s), standby 40-60 s.
struct PlotBed {
  PlotBed() {
    for (std::uint32_t t = 0; t <= 600; ++t) {
      if (t >= 200 && t < 300) {
        TelemetrySample failed;
        failed.tick = kStart + t * 100;
        failed.error = err::kWriteFault;
        history.Append(failed);
      } else {
        history.Append(At(t, t < 400 ? 1 : 0, t >= 350 && t < 400 ? 0x23 : 0));
      }
    }
    plot.SetHistory(&history);
    plot.SetSpanMinutes(1);
    plot.resize(900, 420);
    image = plot.grab().toImage();
  }

  int X(std::uint32_t tenths) const { return plot.ColumnOf(kStart + tenths * 100); }

  // Whether any pixel of the column, within the strip, is near the strip's line colour.
  bool HasLine(int x, int strip, const QColor& colour) const {
    const QRect rect = plot.StripRect(strip);
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
              std::abs(pixel.blue() - colour.blue()) <
          60) {
        return true;
      }
    }
    return false;
  }

  // The colour most pixels of the column have within the strip: what lies behind the line.
  QColor Backdrop(int x, int strip) const {
    const QRect rect = plot.StripRect(strip);
    std::map<QRgb, int> counts;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      ++counts[image.pixel(x, y)];
    }
    return QColor::fromRgba(
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
          return a.second < b.second;
        })->first);
  }

  TelemetryHistory history;
  TelemetryPlot plot;
  QImage image;
};

const QColor kPowerLine(0x1f, 0x5f, 0xbf);

TEST(TelemetryPlotTest, LinesBreakAtGapsAndStandbyAndFaultsAreMarked) {
  PlotBed bed;
  ASSERT_FALSE(bed.image.isNull());
  bed.image.save(QStringLiteral(UI_SCREENSHOT_DIR "/telemetry-plot.png"));
  ASSERT_GT(bed.X(0), 0);

  for (const std::uint32_t t : {20u, 100u, 190u, 320u, 380u}) {
    EXPECT_TRUE(bed.HasLine(bed.X(t), 0, kPowerLine)) << "power drawn at " << t;
  }
  for (int x = bed.X(200) + 2; x < bed.X(300) - 2; ++x) {
    for (int strip = 0; strip < TelemetryPlot::kStripCount; ++strip) {
      const QRect rect = bed.plot.StripRect(strip);
      const QColor background = bed.Backdrop(bed.X(100), strip);
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        ASSERT_EQ(bed.image.pixelColor(x, y), background)
            << "nothing is drawn in the gap, column " << x << " strip " << strip;
      }
    }
  }

  const QColor operating = bed.Backdrop(bed.X(100), 2);
  const QColor standby = bed.Backdrop(bed.X(500), 2);
  const QColor fault = bed.Backdrop(bed.X(370), 2);
  EXPECT_NE(standby, operating);
  EXPECT_LT(standby.value(), operating.value()) << "standby is shaded darker";
  EXPECT_GT(fault.red(), fault.green() + 40) << "a run that read a fault is marked red";
  EXPECT_EQ(bed.Backdrop(bed.X(250), 2), operating) << "a gap is not shaded";
}

TEST(TelemetryPlotTest, HoveringShowsTheRunDrawnThere) {
  PlotBed bed;
  const QString reading = bed.plot.HoverText(bed.X(100));
  EXPECT_TRUE(reading.startsWith(QStringLiteral("19:55:00.000 OPER"))) << reading.toStdString();
  EXPECT_TRUE(reading.contains(QStringLiteral("Output power: 4"))) << reading.toStdString();
  EXPECT_TRUE(reading.contains(QStringLiteral("PA voltage: 7"))) << reading.toStdString();
  EXPECT_TRUE(bed.plot.HoverText(bed.X(250))
                  .endsWith(QString::fromStdString(FormatErrorText(err::kWriteFault))))
      << "a failed run shows its error";
  EXPECT_TRUE(bed.plot.HoverText(bed.X(450)).contains(QStringLiteral("STBY")));
  EXPECT_TRUE(bed.plot.HoverText(bed.plot.DataRect().left() - 5).isEmpty());
  for (int x = bed.X(0); x <= bed.X(600); ++x) {
    ASSERT_FALSE(bed.plot.HoverText(x).isEmpty())
        << "every column of the minute shows a run, " << x;
  }
}

TEST(TelemetryPlotTest, TheSpanAndAnEmptyHistoryDrawWithoutData) {
  PlotBed bed;
  bed.plot.SetSpanMinutes(60);
  const QImage hour = bed.plot.grab().toImage();
  EXPECT_NE(hour, bed.image);
  EXPECT_GT(bed.plot.ColumnOf(kStart),
            bed.plot.DataRect().right() - bed.plot.DataRect().width() / 50)
      << "one minute of an hour sits at the right edge";

  bed.plot.SetSpanMinutes(7);
  EXPECT_EQ(bed.plot.SpanMinutes(), 5u);

  TelemetryHistory empty;
  bed.plot.SetHistory(&empty);
  const QImage blank = bed.plot.grab().toImage();
  EXPECT_FALSE(blank.isNull());
  EXPECT_GE(bed.plot.minimumSizeHint().height(), 6 * bed.plot.fontMetrics().height());
  EXPECT_LT(bed.plot.minimumSizeHint().height(), 10 * bed.plot.fontMetrics().height());
}

}  // namespace
}  // namespace vlx

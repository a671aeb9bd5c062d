#pragma once
// The telemetry plot: the five quantities the Operate page polls, each in its own strip on one
// time axis ending at the newest sample. It draws from a TelemetryHistory it does not own, one
// min/max pair per pixel column, breaks its lines where the history has gaps, shades standby and
// marks runs that read a fault in red. It repaints only when told a sample came and only while
// visible; the frame, grid and captions are kept in a pixmap until the size or the span changes.

#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "operate/TelemetryHistory.h"

namespace vlx {

class TelemetryPlot : public QWidget {
 public:
  static constexpr int kStripCount = 5;

  explicit TelemetryPlot(QWidget* parent = nullptr);

  // The history to draw; nullptr draws an empty plot. It must outlive the widget or be replaced.
  void SetHistory(const TelemetryHistory* history);
  // 1, 5, 15 or 60; any other value is taken as 5.
  void SetSpanMinutes(std::uint32_t minutes);
  std::uint32_t SpanMinutes() const { return spanMinutes_; }
  // A sample was added to the history.
  void OnSampleAdded();

  // Where the data is drawn, and the strip `index` (0 power, 1 SWR, 2 temperature, 3 PA voltage,
  // 4 PA current) within it.
  QRect DataRect() const;
  QRect StripRect(int index) const;
  // The pixel column of a tick on the current time axis; -1 outside it.
  int ColumnOf(std::uint32_t tick) const;
  // What hovering over column `x` shows: the time of the run drawn there and its values or its
  // error; empty where no run is drawn.
  QString HoverText(int x) const;

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::uint32_t SpanMs() const { return spanMinutes_ * 60u * 1000u; }
  // The tick the time axis ends at: the newest sample's.
  std::uint32_t ReferenceTick() const;
  // ColumnOf for a data rectangle and reference tick computed once per paint.
  int ColumnIn(const QRect& data, std::uint32_t reference, std::uint32_t tick) const;
  void RebuildBackground();

  const TelemetryHistory* history_ = nullptr;
  std::uint32_t spanMinutes_ = 5;
  QPixmap background_;
};

}  // namespace vlx

#pragma once
// The telemetry plot: the Operate page's five quantities in strips on one time axis, drawn from a
// TelemetryHistory it does not own. It repaints only when told of a sample and only while visible;
// the frame, grid and captions are kept in an image until the size or the span changes.

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

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
  // The time axis of one paint: a sample `age` ms older than the newest is drawn
  // age * last / span columns left of the last one.
  struct AxisScale {
    std::uint64_t last;  // the last column, counted from the data's left edge
    std::uint64_t span;  // milliseconds
    // 32-bit tick differences: past half the range a tick is newer than the reference, age 0.
    static std::uint64_t Age(std::uint32_t reference, std::uint32_t tick) {
      const std::uint32_t difference = reference - tick;
      return difference > 0x80000000u ? 0 : difference;
    }
    std::uint64_t ColumnsBack(std::uint64_t age) const { return age * last / span; }
    // The youngest age drawn `columnsBack` columns left of the last; past the span when no age is.
    std::uint64_t FirstAge(std::uint64_t columnsBack) const {
      return last == 0 ? (columnsBack == 0 ? 0 : span + 1) : (columnsBack * span + last - 1) / last;
    }
  };
  // What one pixel column holds of each strip, and how it joins the column before it.
  struct Column {
    std::array<int, kStripCount> low{}, high{}, first{}, last{};
    int joinedFrom = -1;  // the column whose last sample the line runs from; -1 for none
    bool data = false;
    bool standby = false;
    bool fault = false;
  };
  struct Columns {
    std::vector<Column> columns;                 // one per pixel column of the data
    std::array<int, kStripCount> low{}, high{};  // each strip's extremes over the span
    bool drawn = false;                          // any column holds data
  };

  std::uint32_t SpanMs() const { return spanMinutes_ * 60u * 1000u; }
  AxisScale AxisOf(const QRect& data) const;
  // The tick the time axis ends at: the newest sample's.
  std::uint32_t ReferenceTick() const;
  // ColumnOf for a data rectangle and reference tick computed once per paint.
  int ColumnIn(const QRect& data, std::uint32_t reference, std::uint32_t tick) const;
  void RebuildBackground();
  Columns CollectColumns(const QRect& data) const;
  // Standby grey and fault red, in the frame, behind the columns that read them.
  void ShadeStates(const QRect& data, const std::vector<Column>& columns);

  const TelemetryHistory* history_ = nullptr;
  std::uint32_t spanMinutes_ = 5;
  QImage background_;
  QImage frame_;  // composed anew on each paint
};

}  // namespace vlx

#include "operate/TelemetryPlot.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "UiText.h"
#include "faults/FaultRecord.h"
#include "operate/ReadingText.h"
#include "report/ErrorText.h"
#include "report/OperateTextIds.h"

namespace vlx {
namespace {

struct StripKind {
  std::uint32_t captionId;
  std::uint16_t OperateReadings::*field;
  std::string (*text)(std::uint16_t);
  int minimumSpan;  // in the reading's own units (tenths where the amplifier reports tenths)
  int floor;        // no value below it is shown
  bool fromFloor;   // the scale always starts at the floor (SWR from 1.0)
  QColor color;
};

const std::array<StripKind, TelemetryPlot::kStripCount> kStrips = {{
    {ids::kPlotPower, &OperateReadings::power, PowerText, 10, 0, false, QColor(0x1f, 0x5f, 0xbf)},
    {ids::kPlotSwr, &OperateReadings::swr, SwrText, 5, 10, true, QColor(0x9a, 0x6a, 0x00)},
    {ids::kPlotTemperature, &OperateReadings::temperature, TemperatureText, 10, 0, false,
     QColor(0x8b, 0x3f, 0xbf)},
    {ids::kPlotPaVoltage, &OperateReadings::paVoltage, PaVoltageText, 20, 0, false,
     QColor(0x1e, 0x8b, 0x4f)},
    {ids::kPlotPaCurrent, &OperateReadings::paCurrent, PaCurrentText, 10, 0, false,
     QColor(0x00, 0x80, 0x90)},
}};

const QColor kStandbyShade(128, 128, 128, 56);
const QColor kFaultShade(230, 0, 0, 80);

QString ToQString(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool ReadAFault(const OperateReadings& readings) {
  return HoldsFault(readings.currentFault);
}

// Runs `paint(pixels, count)` on each row of `area` (logical coordinates) of an RGB32 image:
// where the plot writes pixels itself, which costs far less than a painter's call per column.
template <typename Paint>
void ForEachRow(QImage& image, const QRect& area, Paint paint) {
  const qreal ratio = image.devicePixelRatio();
  const int left = std::max(0, qRound(area.left() * ratio));
  const int right = std::min(image.width(), std::max(left + 1, qRound((area.right() + 1) * ratio)));
  const int top = std::max(0, qRound(area.top() * ratio));
  const int end = std::min(image.height(), std::max(top + 1, qRound((area.bottom() + 1) * ratio)));
  // bits() once: scanLine() checks for sharing on every call.
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int row = top; row < end; ++row) {
    paint(reinterpret_cast<QRgb*>(bits + row * stride) + left, right - left);
  }
}

QRgb BlendOver(QRgb under, const QColor& over) {
  const int alpha = over.alpha();
  const auto mix = [alpha](int top, int bottom) {
    return (top * alpha + bottom * (255 - alpha) + 127) / 255;
  };
  return qRgb(mix(over.red(), qRed(under)), mix(over.green(), qGreen(under)),
              mix(over.blue(), qBlue(under)));
}

// Lays the translucent `colour` over `area`. Behind the lines lie only the base and the grid, so
// the blend is worked out once per run of equal pixels.
void Shade(QImage& image, const QRect& area, const QColor& colour) {
  QRgb under = 0;
  QRgb over = BlendOver(under, colour);
  ForEachRow(image, area, [&](QRgb* pixels, int count) {
    for (int i = 0; i < count; ++i) {
      if (pixels[i] != under) {
        under = pixels[i];
        over = BlendOver(under, colour);
      }
      pixels[i] = over;
    }
  });
}

// The grid's divisions of each span: ten seconds, one, three or ten minutes.
int Divisions(std::uint32_t minutes) {
  return minutes == 5 || minutes == 15 ? 5 : 6;
}

}  // namespace

TelemetryPlot::TelemetryPlot(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TelemetryPlot::SetHistory(const TelemetryHistory* history) {
  history_ = history;
  update();
}

void TelemetryPlot::SetSpanMinutes(std::uint32_t minutes) {
  const std::uint32_t span = minutes == 1 || minutes == 15 || minutes == 60 ? minutes : 5;
  if (span != spanMinutes_) {
    spanMinutes_ = span;
    background_ = QImage();
    update();
  }
}

void TelemetryPlot::OnSampleAdded() {
  if (isVisible()) {
    update();
  }
}

QRect TelemetryPlot::DataRect() const {
  const QFontMetrics metrics = fontMetrics();
  const int left = metrics.horizontalAdvance(LoadText(ids::kPlotTemperature)) +
                   metrics.horizontalAdvance(QStringLiteral("00000 W")) + 12;
  const int right = metrics.horizontalAdvance(QStringLiteral("000.0 V")) + 8;
  const int bottom = metrics.height() + 4;
  return QRect(left, 1, std::max(1, width() - left - right), std::max(1, height() - 1 - bottom));
}

QRect TelemetryPlot::StripRect(int index) const {
  const QRect data = DataRect();
  const int top = data.top() + data.height() * index / kStripCount;
  const int bottom = data.top() + data.height() * (index + 1) / kStripCount;
  // One pixel between strips keeps their lines apart.
  return QRect(data.left(), top, data.width(), std::max(1, bottom - top - 1));
}

std::uint32_t TelemetryPlot::ReferenceTick() const {
  const TelemetryHistory::Entry* latest = history_ ? history_->Latest() : nullptr;
  return latest ? latest->sample.tick : 0;
}

int TelemetryPlot::ColumnOf(std::uint32_t tick) const {
  return ColumnIn(DataRect(), ReferenceTick(), tick);
}

TelemetryPlot::AxisScale TelemetryPlot::AxisOf(const QRect& data) const {
  return AxisScale{static_cast<std::uint64_t>(data.width() - 1), SpanMs()};
}

int TelemetryPlot::ColumnIn(const QRect& data, std::uint32_t reference, std::uint32_t tick) const {
  const AxisScale axis = AxisOf(data);
  const std::uint64_t age = AxisScale::Age(reference, tick);
  if (age > axis.span) {
    return -1;
  }
  return data.left() + static_cast<int>(axis.last - axis.ColumnsBack(age));
}

QSize TelemetryPlot::minimumSizeHint() const {
  // One text line per strip and the time axis: the window grows only by a few lines.
  const QFontMetrics metrics = fontMetrics();
  return QSize(DataRect().left() + 160, (kStripCount + 1) * metrics.height() + 6);
}

QSize TelemetryPlot::sizeHint() const {
  return QSize(640, 12 * fontMetrics().height());
}

void TelemetryPlot::resizeEvent(QResizeEvent* event) {
  background_ = QImage();
  QWidget::resizeEvent(event);
}

void TelemetryPlot::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
    background_ = QImage();
  }
  QWidget::changeEvent(event);
}

bool TelemetryPlot::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = HoverText(help->pos().x());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void TelemetryPlot::RebuildBackground() {
  background_ = QImage(size() * devicePixelRatioF(), QImage::Format_RGB32);
  background_.setDevicePixelRatio(devicePixelRatioF());
  QPainter painter(&background_);
  painter.fillRect(rect(), palette().window());
  const QRect data = DataRect();
  painter.fillRect(data, palette().base());

  QColor grid = palette().color(QPalette::Text);
  grid.setAlpha(40);
  const int divisions = Divisions(spanMinutes_);
  const QFontMetrics metrics = fontMetrics();
  painter.setPen(palette().color(QPalette::WindowText));
  for (int d = 0; d <= divisions; ++d) {
    const int x = data.left() + (data.width() - 1) * d / divisions;
    painter.setPen(grid);
    painter.drawLine(x, data.top(), x, data.bottom());
    const std::uint32_t secondsAgo = spanMinutes_ * 60u *
                                     static_cast<std::uint32_t>(divisions - d) /
                                     static_cast<std::uint32_t>(divisions);
    const QString label = secondsAgo == 0   ? QStringLiteral("0")
                          : secondsAgo < 60 ? QStringLiteral("-%1 s").arg(secondsAgo)
                                            : QStringLiteral("-%1 min").arg(secondsAgo / 60);
    const int labelWidth = metrics.horizontalAdvance(label);
    const int labelX = std::clamp(x - labelWidth / 2, 0, width() - labelWidth);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(labelX, data.bottom() + 2 + metrics.ascent(), label);
  }
  for (int s = 0; s < kStripCount; ++s) {
    const QRect strip = StripRect(s);
    painter.setPen(grid);
    painter.drawLine(data.left(), strip.bottom() + 1, data.right(), strip.bottom() + 1);
    painter.setPen(kStrips[s].color);
    painter.drawText(QRect(4, strip.top(), data.left() - 8, strip.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, LoadText(kStrips[s].captionId));
  }
}

TelemetryPlot::Columns TelemetryPlot::CollectColumns(const QRect& data) const {
  Columns result;
  result.columns.resize(static_cast<std::size_t>(data.width()));
  result.low.fill(65535);
  result.high.fill(0);
  const std::uint32_t reference = ReferenceTick();
  const AxisScale axis = AxisOf(data);
  // Samples come oldest first, so most fall into the column of the one before: the ages that
  // column takes, [fromAge, toAge), spare a division per sample.
  std::uint64_t fromAge = 1, toAge = 0;
  int x = -1;
  int previousColumn = -1;
  for (std::size_t i = history_->FirstWithin(reference, SpanMs()); i < history_->Size(); ++i) {
    const TelemetryHistory::Entry& entry = history_->At(i);
    if (!entry.sample.HasReadings()) {
      previousColumn = -1;
      continue;
    }
    const std::uint64_t age = AxisScale::Age(reference, entry.sample.tick);
    if (age < fromAge || age >= toAge) {
      if (age > axis.span) {
        continue;
      }
      const std::uint64_t columnsBack = axis.ColumnsBack(age);
      x = static_cast<int>(axis.last - columnsBack);
      fromAge = axis.FirstAge(columnsBack);
      toAge = axis.FirstAge(columnsBack + 1);
    }
    Column& column = result.columns[static_cast<std::size_t>(x)];
    const OperateReadings& readings = entry.sample.readings;
    for (int s = 0; s < kStripCount; ++s) {
      const int value = readings.*kStrips[s].field;
      if (!column.data) {
        column.low[s] = column.high[s] = column.first[s] = value;
      }
      column.low[s] = std::min(column.low[s], value);
      column.high[s] = std::max(column.high[s], value);
      column.last[s] = value;
      result.low[s] = std::min(result.low[s], value);
      result.high[s] = std::max(result.high[s], value);
    }
    if (!column.data && entry.joined && previousColumn >= 0 && previousColumn != x) {
      column.joinedFrom = previousColumn;
    }
    column.data = true;
    column.standby = column.standby || readings.operateMode != 1;
    column.fault = column.fault || ReadAFault(readings);
    previousColumn = x;
    result.drawn = true;
  }
  return result;
}

void TelemetryPlot::ShadeStates(const QRect& data, const std::vector<Column>& columns) {
  // A run of columns at a time. Between two joined runs that share the state the shade is
  // continuous, even where no sample falls into a column.
  std::vector<bool> shaded(columns.size());
  for (const auto& [flag, colour] :
       {std::pair{&Column::standby, kStandbyShade}, std::pair{&Column::fault, kFaultShade}}) {
    std::fill(shaded.begin(), shaded.end(), false);
    for (std::size_t x = 0; x < columns.size(); ++x) {
      const Column& column = columns[x];
      if (!(column.*flag)) {
        continue;
      }
      shaded[x] = true;
      if (column.joinedFrom >= 0 && columns[static_cast<std::size_t>(column.joinedFrom)].*flag) {
        std::fill(shaded.begin() + column.joinedFrom + 1, shaded.begin() + static_cast<long>(x),
                  true);
      }
    }
    for (std::size_t x = 0; x < shaded.size();) {
      if (!shaded[x]) {
        ++x;
        continue;
      }
      std::size_t end = x;
      while (end < shaded.size() && shaded[end]) {
        ++end;
      }
      Shade(frame_,
            QRect(data.left() + static_cast<int>(x), data.top(), static_cast<int>(end - x),
                  data.height()),
            colour);
      x = end;
    }
  }
}

void TelemetryPlot::paintEvent(QPaintEvent*) {
  if (background_.isNull() || background_.size() != size() * devicePixelRatioF()) {
    RebuildBackground();
  }
  if (history_ == nullptr || history_->Empty()) {
    QPainter(this).drawImage(0, 0, background_);
    return;
  }
  // The frame is composed in an image of our own, where the lines can be written as pixels, and
  // reaches the window in one copy.
  if (frame_.size() != background_.size()) {
    frame_ = QImage(background_.size(), background_.format());
    frame_.setDevicePixelRatio(background_.devicePixelRatio());
  }
  std::copy_n(background_.constBits(), background_.sizeInBytes(), frame_.bits());

  const QRect data = DataRect();
  const Columns columns = CollectColumns(data);
  ShadeStates(data, columns.columns);

  // Each column is one bar from its lowest to its highest value. A line joining it to the column
  // just left of it only widens the bar; one across empty columns is drawn as a line.
  std::array<std::pair<int, int>, kStripCount> scales;
  std::array<std::vector<QLine>, kStripCount> joins;
  for (int s = 0; s < kStripCount; ++s) {
    const StripKind& kind = kStrips[s];
    const QRect strip = StripRect(s);
    // The strip's scale: what the span holds, at least the minimum span.
    int bottom = kind.fromFloor ? kind.floor : columns.low[s];
    int top = std::max(columns.high[s], bottom);
    if (top - bottom < kind.minimumSpan) {
      if (!kind.fromFloor) {
        bottom = std::max(kind.floor, (bottom + top - kind.minimumSpan) / 2);
      }
      top = bottom + kind.minimumSpan;
    }
    scales[s] = {bottom, top};
    const auto y = [&](int value) {
      const int clamped = std::clamp(value, bottom, top);
      return strip.bottom() - (clamped - bottom) * (strip.height() - 1) / (top - bottom);
    };
    for (int x = 0; x < data.width(); ++x) {
      const Column& column = columns.columns[static_cast<std::size_t>(x)];
      if (!column.data) {
        continue;
      }
      int barTop = y(column.high[s]);
      int barBottom = y(column.low[s]);
      // The leftmost column has none before it: joinedFrom -1 is no join there.
      if (x > 0 && column.joinedFrom == x - 1) {
        const int from = y(columns.columns[static_cast<std::size_t>(x - 1)].last[s]);
        barTop = std::min(barTop, from);
        barBottom = std::max(barBottom, from);
      } else if (column.joinedFrom >= 0) {
        joins[s].emplace_back(
            data.left() + column.joinedFrom,
            y(columns.columns[static_cast<std::size_t>(column.joinedFrom)].last[s]),
            data.left() + x, y(column.first[s]));
      }
      const QRgb colour = kind.color.rgb();
      ForEachRow(frame_, QRect(QPoint(data.left() + x, barTop), QPoint(data.left() + x, barBottom)),
                 [colour](QRgb* pixels, int count) { std::fill_n(pixels, count, colour); });
    }
  }

  QPainter painter(&frame_);
  const TelemetryHistory::Entry& latest = *history_->Latest();
  const QFontMetrics metrics = fontMetrics();
  for (int s = 0; s < kStripCount; ++s) {
    const StripKind& kind = kStrips[s];
    const QRect strip = StripRect(s);
    const auto [bottom, top] = scales[s];
    painter.setPen(QPen(kind.color, 1));
    painter.drawLines(joins[s].data(), static_cast<int>(joins[s].size()));

    painter.setPen(palette().color(QPalette::WindowText));
    const QRect scale(data.right() + 4, strip.top(), width() - data.right() - 4, strip.height());
    if (columns.drawn) {
      painter.drawText(scale, Qt::AlignTop | Qt::AlignLeft,
                       ToQString(kind.text(static_cast<std::uint16_t>(top))));
    }
    if (columns.drawn && strip.height() >= 2 * metrics.height()) {
      painter.drawText(scale, Qt::AlignBottom | Qt::AlignLeft,
                       ToQString(kind.text(static_cast<std::uint16_t>(bottom))));
    }
    if (latest.sample.HasReadings()) {
      painter.setPen(kind.color);
      painter.drawText(QRect(4, strip.top(), data.left() - 8, strip.height()),
                       Qt::AlignRight | Qt::AlignVCenter,
                       ToQString(kind.text(latest.sample.readings.*kind.field)));
    }
  }
  painter.end();
  QPainter(this).drawImage(0, 0, frame_);
}

QString TelemetryPlot::HoverText(int x) const {
  const QRect data = DataRect();
  if (history_ == nullptr || history_->Empty() || x < data.left() || x > data.right()) {
    return {};
  }
  // The run drawn nearest the pointer, a few columns either side at most.
  constexpr int kReach = 3;
  const std::uint64_t columnsBack = static_cast<std::uint64_t>(data.right() - x + kReach);
  // The oldest age drawn at or right of column x - kReach.
  const std::uint64_t oldestAge = AxisOf(data).FirstAge(columnsBack + 1) - 1;
  const std::uint32_t reference = ReferenceTick();
  std::size_t index = history_->Size();
  int bestDistance = kReach + 1;
  for (std::size_t i = history_->FirstWithin(
           reference, static_cast<std::uint32_t>(std::min<std::uint64_t>(oldestAge, SpanMs())));
       i < history_->Size(); ++i) {
    const int column = ColumnIn(data, reference, history_->At(i).sample.tick);
    if (column > x + kReach) {
      break;
    }
    if (column >= 0 && std::abs(column - x) < bestDistance) {
      bestDistance = std::abs(column - x);
      index = i;
    }
  }
  if (index >= history_->Size()) {
    return {};
  }
  const TelemetrySample& sample = history_->At(index).sample;
  const LocalTime& t = sample.time;
  QString text = QStringLiteral("%1:%2:%3.%4")
                     .arg(t.hour, 2, 10, QLatin1Char('0'))
                     .arg(t.minute, 2, 10, QLatin1Char('0'))
                     .arg(t.second, 2, 10, QLatin1Char('0'))
                     .arg(t.millisecond, 3, 10, QLatin1Char('0'));
  if (sample.error != 0) {
    return text + QLatin1Char('\n') + ToQString(FormatErrorText(sample.error));
  }
  if (!sample.HasReadings()) {
    return sample.EndedInLoader() ? text + QLatin1Char('\n') + LoadText(ids::kOff) : text;
  }
  const PlainReadings plain = PlainText(sample.readings);
  text += QLatin1Char(' ') + ToQString(plain.mode);
  for (const StripKind& kind : kStrips) {
    text += QLatin1Char('\n') + LoadText(kind.captionId) + QStringLiteral(": ") +
            ToQString(kind.text(sample.readings.*kind.field));
  }
  if (!plain.fault.empty()) {
    text += QLatin1Char('\n') + ToQString(plain.fault);
  }
  return text;
}

}  // namespace vlx

#include "operate/ReadingText.h"

#include "faults/FaultRecord.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

// A value in tenths with its one decimal: 724 -> "72.4". FormatText knows no locale, so the
// point stays a point.
std::string Tenths(std::uint16_t tenths) {
  return FormatText("%u.%01u", {static_cast<std::uint32_t>(tenths / 10),
                                static_cast<std::uint32_t>(tenths % 10)});
}

std::string Whole(std::uint32_t value) {
  return FormatText("%u", {value});
}

}  // namespace

std::string_view BandCaption(std::uint32_t band) {
  return band < kBandCaptions.size() ? kBandCaptions[band] : std::string_view{};
}

std::string PaVoltageText(std::uint16_t tenthsOfVolt) {
  return Tenths(tenthsOfVolt) + " V";
}

std::string PaCurrentText(std::uint16_t tenthsOfAmpere) {
  return Tenths(tenthsOfAmpere) + " A";
}

std::string TemperatureText(std::uint16_t celsius) {
  return Whole(celsius) + " C";
}

std::string PowerText(std::uint16_t watts) {
  return Whole(watts) + " W";
}

std::string SwrText(std::uint16_t tenths) {
  return Tenths(tenths);
}

std::string BandText(std::uint32_t band) {
  const std::string_view caption = BandCaption(band);
  return caption.empty() ? std::string{} : std::string(caption) + " MHz";
}

PlainReadings PlainText(const OperateReadings& readings) {
  return PlainReadings{
      .bandMhz = std::string(BandCaption(readings.band)),
      .mode = readings.operateMode == 1 ? "OPER" : "STBY",
      .faultCode = Whole(readings.currentFault),
      .fault = CurrentFaultText(readings.currentFault),
      .power = Whole(readings.power),
      .swr = Tenths(readings.swr),
      .temperature = Whole(readings.temperature),
      .paVoltage = Tenths(readings.paVoltage),
      .paCurrent = Tenths(readings.paCurrent),
  };
}

}  // namespace vlx

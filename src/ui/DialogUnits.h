#pragma once
// Sizes given in dialog units, turned into pixels for a font as the classic dialog manager did:
// a horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height.

#include <QFont>
#include <QFontMetrics>
#include <QSize>

namespace vlx {

inline int HorizontalDialogUnits(const QFont& font, int units) {
  return (units * QFontMetrics(font).averageCharWidth() + 2) / 4;
}

inline int VerticalDialogUnits(const QFont& font, int units) {
  return (units * QFontMetrics(font).height() + 4) / 8;
}

inline QSize DialogUnitsToPixels(const QFont& font, int width, int height) {
  return {HorizontalDialogUnits(font, width), VerticalDialogUnits(font, height)};
}

}  // namespace vlx

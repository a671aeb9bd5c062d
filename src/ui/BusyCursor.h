#pragma once
// The wait cursor over a dialog while its work runs, except over the one button that stays
// usable (Cancel or Close), which keeps the arrow.

#include <QWidget>

namespace vlx {

inline void ShowBusyCursor(QWidget& dialog, QWidget& usableButton, bool busy) {
  if (busy) {
    dialog.setCursor(Qt::WaitCursor);
    usableButton.setCursor(Qt::ArrowCursor);
  } else {
    dialog.unsetCursor();
    usableButton.unsetCursor();
  }
}

}  // namespace vlx

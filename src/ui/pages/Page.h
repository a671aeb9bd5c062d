#pragma once
// One page of the main window's tabbed sheet. Besides being a widget a page can take the timer
// and serial notifications that no machine wants (while it is the current page), the status
// lines mirrored into its log, and it names its help topic.

#include <QSize>
#include <QString>
#include <QWidget>
#include <string>

#include "DialogUnits.h"
#include "link/MachineRouter.h"

namespace vlx {

class Page : public QWidget, public RoutedEvents {
 public:
  // `caption` is the tab's text.
  Page(const QString& caption, QWidget* parent = nullptr) : QWidget(parent), caption_(caption) {}

  const QString& Caption() const { return caption_; }
  // The help topic F1 opens while this page has the focus; empty: the contents.
  virtual QString HelpTopic() const { return {}; }
  // A status line while this page is the current one.
  virtual void OnPageLog(const std::string&) {}

  void OnTimer(TimerId) override {}
  void OnSerialEvent() override {}

  // A page's controls are built just before it first becomes visible, so that those of pages the
  // user never opens cost the start-up nothing.
  void setVisible(bool visible) override {
    if (visible) {
      EnsureBuilt();
    }
    QWidget::setVisible(visible);
  }

 protected:
  // For a page that needs its controls before it is shown.
  void EnsureBuilt() {
    if (!built_) {
      built_ = true;
      BuildControls();
    }
  }
  // Builds what the page shows; called once, before the page is first shown. Until then the page
  // asks for its template's size.
  virtual void BuildControls() {}

  // Every page of the sheet is laid out on one template, 326 by 227 dialog units, in the page's
  // own font: the window's minimum size is made from it.
  QSize TemplateSize() const { return DialogUnitsToPixels(font(), 326, 227); }

 private:
  QString caption_;
  bool built_ = false;
};

}  // namespace vlx

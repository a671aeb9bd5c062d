#pragma once
// One page of the main window's tabbed sheet. Besides being a widget a page can take the timer
// and serial notifications that no machine wants (while it is the current page), the status
// lines mirrored into its log, and it names its help topic.

#include <QString>
#include <QWidget>
#include <string>

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

 private:
  QString caption_;
};

}  // namespace vlx

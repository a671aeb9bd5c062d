#pragma once
// Help from the pages compiled into the program (qrc:/help/), shown in one reused HelpViewer; a
// topic not among them is told in the "Help Error" box.

#include <QPointer>
#include <QString>
#include <QUrl>

#include "help/HelpService.h"
#include "help/HelpViewer.h"

namespace vlx {

class Prompts;

// The request for a topic as it reads in a help error: the program's path with its extension
// replaced by ".chm" (appended when it has none), "::/" + topic when there is one, then
// ">$global_main".
QString HelpRequestText(const QString& programPath, const QString& topic);

// The help page of a topic ("Port.htm", "Configuration.htm#PowerOnBanner"); the contents for an
// empty topic. An empty URL when the topic names no help page.
QUrl HelpTopicUrl(const QString& topic);

class QtHelpService final : public HelpService {
 public:
  // `programPath` is the path the error text names; empty: the running program's.
  explicit QtHelpService(Prompts& prompts, QString programPath = {});
  ~QtHelpService() override;

  void ShowHelp(QWidget* owner, const QString& topic) override;

  // The help window, once help has been shown and while its owner window lives.
  HelpViewer* Viewer() const { return viewer_; }

 private:
  Prompts& prompts_;
  QString programPath_;
  QPointer<HelpViewer> viewer_;
};

}  // namespace vlx

#pragma once
// Opens the program's help: the contents, or a topic ("Port.htm",
// "Configuration.htm#PowerOnBanner").

#include <QString>

class QWidget;

namespace vlx {

class HelpService {
 public:
  virtual ~HelpService() = default;
  // An empty topic opens the contents.
  virtual void ShowHelp(QWidget* owner, const QString& topic) = 0;
};

}  // namespace vlx

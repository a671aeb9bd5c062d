#pragma once
// A page that so far shows nothing but its tab: it holds its place in the sheet, with its
// caption, help topic and size, until its controls are built.

#include "pages/Page.h"

namespace vlx {

struct PageTemplate {
  const char* objectName;
  const char* caption;
  const char* helpTopic;  // empty: the contents
  int widthUnits;         // size in dialog units
  int heightUnits;
};

inline constexpr PageTemplate kCommandTesterPageTemplate{"commandTesterPage", "Command Tester",
                                                         "CommandTester.htm", 326, 227};

class PlaceholderPage : public Page {
 public:
  explicit PlaceholderPage(const PageTemplate& page, QWidget* parent = nullptr);

  QString HelpTopic() const override { return helpTopic_; }
  QSize sizeHint() const override { return minimumSize(); }

 private:
  QString helpTopic_;
};

}  // namespace vlx

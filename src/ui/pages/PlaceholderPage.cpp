#include "pages/PlaceholderPage.h"

#include "DialogUnits.h"

namespace vlx {

PlaceholderPage::PlaceholderPage(const PageTemplate& page, QWidget* parent)
    : Page(QString::fromUtf8(page.caption), parent), helpTopic_(QString::fromUtf8(page.helpTopic)) {
  setObjectName(page.objectName);
  setMinimumSize(DialogUnitsToPixels(font(), page.widthUnits, page.heightUnits));
}

}  // namespace vlx

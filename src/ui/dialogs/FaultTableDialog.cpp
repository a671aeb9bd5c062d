#include "dialogs/FaultTableDialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "BuildInfo.h"
#include "BusyCursor.h"
#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "report/ReportTextIds.h"

namespace vlx {
namespace {

// The least size in dialog units; the columns may ask for more width.
constexpr int kWidthUnits = 300;
constexpr int kHeightUnits = 180;

}  // namespace

FaultTableDialog::FaultTableDialog(UiServices& services, FileStore& files, QWidget* parent)
    : QDialog(parent),
      flow_(services.app, files, *this, build::ProgramRevisionText()),
      list_(new QTreeWidget),
      save_(new QPushButton(QStringLiteral("Save to File"))),
      close_(new QPushButton(LoadText(ids::kClose))) {
  setObjectName("faultTableDialog");
  setWindowTitle(QStringLiteral("Fault Table (Newest Entry at Top)"));
  setSizeGripEnabled(true);

  list_->setObjectName("faultList");
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // The codes, bands and data words line up in columns only in a fixed-pitch font.
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list_->setHeaderLabels({QStringLiteral("Timestamp"), QStringLiteral("   Fault Code   "),
                          QStringLiteral("Band"), QStringLiteral(" Data "),
                          QStringLiteral(" Description    ")});
  list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The descriptions take what is left, so the header row spans the list (FitColumns).

  save_->setObjectName("saveButton");
  save_->setAutoDefault(false);
  // Nothing is worth saving before a read has succeeded.
  save_->setEnabled(false);
  close_->setObjectName("closeButton");
  close_->setAutoDefault(false);
  connect(save_, &QPushButton::clicked, this, [this] { flow_.Save(); });
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save_);
  buttons->addWidget(close_);
  layout->addLayout(buttons);

  // Measured with the style and fonts the dialog is shown with.
  ensurePolished();
  list_->ensurePolished();
  FitColumns();
  const QSize least = DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits);
  const int columns =
      ListWidthNeeded() + layout->contentsMargins().left() + layout->contentsMargins().right();
  const QSize initial(std::max(least.width(), columns), least.height());
  setMinimumSize(initial);
  resize(initial);
}

FaultTableDialog::~FaultTableDialog() = default;

void FaultTableDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    flow_.Begin();
  }
}

void FaultTableDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) {
    // A read still running ends with its machine; no tick of it comes afterwards.
    flow_.End();
  }
}

void FaultTableDialog::ShowBusy(bool busy) {
  ShowBusyCursor(*this, *close_, busy);
}

void FaultTableDialog::ShowTable(const FaultTable& table) {
  list_->clear();
  // A history without a fault is a result: said in the list, not left blank.
  if (table.rows.empty()) {
    auto* none = new QTreeWidgetItem(QStringList{QStringLiteral("No faults recorded")});
    none->setFlags(Qt::NoItemFlags);
    list_->addTopLevelItem(none);
    none->setFirstColumnSpanned(true);
    save_->setEnabled(flow_.CanSave());
    return;
  }
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(table.rows.size()));
  for (const FaultRow& row : table.rows) {
    items.append(new QTreeWidgetItem(
        QStringList{QString::fromStdString(row.timeStamp), QString::fromStdString(row.faultCode),
                    QString::fromStdString(row.band), QString::fromStdString(row.data),
                    QString::fromStdString(row.description)}));
  }
  list_->addTopLevelItems(items);
  FitColumns();
  // The descriptions are wider than their header: the dialog grows so that rows show whole, and
  // the size it opens the table at is the least it can be made.
  if (const int missing = ListWidthNeeded() - list_->width(); missing > 0) {
    resize(width() + missing, height());
    setMinimumWidth(width());
  }
  save_->setEnabled(flow_.CanSave());
}

void FaultTableDialog::CloseView() {
  reject();
}

// Each column to its header and widest entry; the last is measured before it stretches again.
void FaultTableDialog::FitColumns() {
  QHeaderView& header = *list_->header();
  header.setStretchLastSection(false);
  for (int column = 0; column < list_->columnCount(); ++column) {
    list_->resizeColumnToContents(column);
  }
  columnsWidth_ = header.length();
  header.setStretchLastSection(true);
}

int FaultTableDialog::ListWidthNeeded() const {
  return columnsWidth_ + 2 * list_->frameWidth() +
         list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
}

int RunFaultTableDialog(QWidget* parent, UiServices& services, FileStore& files) {
  FaultTableDialog dialog(services, files, parent);
  return dialog.exec();
}

}  // namespace vlx

#include "help/QtHelpService.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>
#include <string>
#include <utility>

#include "help/HelpViewer.h"
#include "report/FailureReport.h"
#include "report/Prompts.h"
#include "report/ReportTextIds.h"

// The pages live in a static library, whose resource registration the linker would drop unless
// something calls it. Q_INIT_RESOURCE cannot stand inside a namespace.
static void RegisterHelpPages() {
  Q_INIT_RESOURCE(resources);
}

namespace vlx {

namespace {

const QString kHelpFolder = QStringLiteral("/help/");
const QString kContentsPage = QStringLiteral("index.html");

void EnsureHelpPagesRegistered() {
  static const bool registered = (RegisterHelpPages(), true);
  (void)registered;
}

}  // namespace

QString HelpRequestText(const QString& programPath, const QString& topic) {
  const qsizetype nameStart = programPath.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = programPath.lastIndexOf(QLatin1Char('.'));
  // A dot that opens the name marks a hidden file, not an extension.
  QString request = dot > nameStart ? programPath.left(dot) : programPath;
  request += QStringLiteral(".chm");
  if (!topic.isEmpty()) {
    request += QStringLiteral("::/") + topic;
  }
  return request + QStringLiteral(">$global_main");
}

QUrl HelpTopicUrl(const QString& topic) {
  EnsureHelpPagesRegistered();
  const QUrl folder(QStringLiteral("qrc:") + kHelpFolder);
  const QUrl page = folder.resolved(QUrl(topic.isEmpty() ? kContentsPage : topic));
  // Resolving removes "..", so a topic cannot reach outside the help folder this way.
  const bool inHelpFolder = page.scheme() == folder.scheme() &&
                            page.path().startsWith(kHelpFolder) &&
                            QFileInfo(QLatin1Char(':') + page.path()).isFile();
  return inHelpFolder ? page : QUrl();
}

QtHelpService::QtHelpService(Prompts& prompts, QString programPath)
    : prompts_(prompts), programPath_(std::move(programPath)) {
  EnsureHelpPagesRegistered();
}

QtHelpService::~QtHelpService() {
  delete viewer_.data();
}

void QtHelpService::ShowHelp(QWidget* owner, const QString& topic) {
  const QUrl page = HelpTopicUrl(topic);
  if (page.isEmpty()) {
    const QString program =
        programPath_.isEmpty() ? QCoreApplication::applicationFilePath() : programPath_;
    ShowMessageBox(prompts_, HelpRequestText(program, topic).toStdString(), ids::kHelpErrorCaption,
                   mb::kIconWarning);
    return;
  }
  // The viewer belongs to the owner's window: help asked for from a modal dialog must not be
  // blocked by that dialog, and it goes away with it.
  QWidget* ownerWindow = owner != nullptr ? owner->window() : nullptr;
  if (viewer_ == nullptr) {
    viewer_ = new HelpViewer(ownerWindow);
  } else if (viewer_->parentWidget() != ownerWindow) {
    const QRect geometry = viewer_->geometry();
    viewer_->setParent(ownerWindow, viewer_->windowFlags());
    viewer_->setGeometry(geometry);
  }
  viewer_->ShowPage(page);
}

}  // namespace vlx

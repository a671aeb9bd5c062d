#include "window/Application.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "BuildInfo.h"
#include "OsVersion.h"
#include "ftp/CurlFtpClient.h"
#include "model/AppSettings.h"
#include "serial/SerialPortList.h"

namespace vlx {
namespace {

std::optional<std::string> ChooseFolder(QWidget* owner, const QString& title,
                                        const std::string& start) {
  const QString folder = QFileDialog::getExistingDirectory(
      owner, title, QString::fromStdString(start), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) {
    return std::nullopt;
  }
  return folder.toStdString();
}

}  // namespace

Application::Application()
    : help_(prompts_),
      app_(std::make_unique<AppSettings>(
          Services{store_, files_, serialDevice_, timers_, clock_, status_, prompts_})),
      services_{*app_,       app_->Boxes(), clock_, help_, [] { return ListSerialPorts(); },
                ChooseFolder} {
  services_.ftpLocalFiles = &ftpLocalFiles_;
  services_.ftpClients = [] { return std::make_unique<CurlFtpClient>(); };
}

Application::~Application() = default;

MainWindow& Application::Start() {
  window_ = std::make_unique<MainWindow>(services_, status_, OsVersionLine());
  window_->show();
  if (const std::string problem = store_.LoadProblem(); !problem.empty()) {
    // The settings could not be read: the defaults are in use and the file is kept aside.
    QTimer::singleShot(0, window_.get(), [this, problem] {
      prompts_.MessageBox(problem, build::kFileDescription, mb::kIconWarning);
    });
  }
  return *window_;
}

int Application::Run() {
  Start();
  const int code = QApplication::exec();
  window_.reset();
  return code;
}

}  // namespace vlx

// VLX Utility: the window program.

#include <QApplication>

#include "ErrorTexts.h"
#include "window/Application.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("VLX Utility");
  vlx::InstallPlatformErrorTexts();
  vlx::Application program;
  return program.Run();
}

#pragma once
// What the window and its pages share: the model, the message boxes, the clock for time stamps,
// help, and the system's list of serial ports.

#include <functional>
#include <string>
#include <vector>

namespace vlx {

class AppSettings;
class Clock;
class HelpService;
class Prompts;

struct UiServices {
  AppSettings& app;
  Prompts& prompts;
  Clock& clock;
  HelpService& help;
  // The serial ports to offer on the Port page, in any order.
  std::function<std::vector<std::string>()> listSerialPorts;
};

}  // namespace vlx

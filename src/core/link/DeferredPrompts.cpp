#include "link/DeferredPrompts.h"

namespace vlx {
namespace {
constexpr std::uint32_t kButtonsMask = 0x0F;
}  // namespace

int DeferredPrompts::MessageBox(const std::string& text, const std::string& caption,
                                std::uint32_t style) {
  if (!dispatch_.Active() || (style & kButtonsMask) != mb::kOk) {
    return prompts_.MessageBox(text, caption, style);
  }
  dispatch_.AfterDispatch(
      [this, text, caption, style] { prompts_.MessageBox(text, caption, style); });
  return mb::kIdOk;
}

}  // namespace vlx

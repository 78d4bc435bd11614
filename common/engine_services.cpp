#include "common/engine_services.h"

#include "platform/threads.h"

namespace tv {

ui::WindowHandle FindOwnWindow() { return ui::Current().FindOwnWindow(); }

int ShowEngineMessage(const std::string& text, ui::Buttons buttons, const std::string& title,
                      ui::WindowHandle owner) {
  return static_cast<int>(ui::Current().MessageBox(text, title.empty() ? "友情提醒" : title, buttons, owner)) - 1;
}

void PumpingWait(int ms) { threads::WaitPumping(ms); }

}  // namespace tv

// The engine's message box, owner lookup and message-dispatching wait. They sit below
// the web layer because the page-access routine uses them too.
#pragma once

#include <string>

#include "platform/ui.h"

namespace tv {

// The first visible top-level window of this process, or 0.
ui::WindowHandle FindOwnWindow();

// A modal message box; returns the pressed button's number minus one (OK gives 0).
int ShowEngineMessage(const std::string& text, ui::Buttons buttons = ui::Buttons::Ok,
                      const std::string& title = "友情提醒", ui::WindowHandle owner = FindOwnWindow());

// Returns after at least `ms` milliseconds; on the UI thread events go on being handled.
void PumpingWait(int ms);

}  // namespace tv

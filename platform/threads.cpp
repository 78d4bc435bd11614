#include "platform/threads.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/ui.h"

namespace tv::threads {

void WaitPumping(int ms) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  if (!ui::IsUiThread()) {
    std::this_thread::sleep_until(until);
    return;
  }
  // Short slices so that events queued meanwhile are handled promptly.
  for (;;) {
    ui::PumpIfUiThread();
    auto now = Clock::now();
    if (now >= until) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(5)));
  }
}

}  // namespace tv::threads

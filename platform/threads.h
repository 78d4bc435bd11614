// Waits that keep the UI responsive: on the UI thread they run the message pump,
// elsewhere they simply sleep.
#pragma once

namespace tv::threads {

// Returns after at least `ms` milliseconds.
void WaitPumping(int ms);

}  // namespace tv::threads

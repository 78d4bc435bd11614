// What the last worker of a task does when it ends: finish a completed download, save
// a paused or failed one for a later resume, or start afresh when the resource changed.
#pragma once

#include "engine/task_table.h"

namespace tv {

// Called by the worker whose end brings the task's live-worker count to zero. Does
// nothing when BT_Stop is ending the task (it cleans up itself).
void FinishTask(TaskId id);

TaskOutcome LastOutcome(TaskId id);

}  // namespace tv

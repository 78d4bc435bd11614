#include "tests/support/headless_ui.h"

#include <gtest/gtest.h>

#include "platform/threads.h"

namespace tv::test {
namespace {

TEST(HeadlessUi, ScriptedAnswersAndDefaultTitle) {
  HeadlessUi ui;
  ui.AnswerNext(ui::Answer::Cancel);
  EXPECT_EQ(ui::ShowMessage("a", {}, ui::Buttons::YesNoCancel), ui::Answer::Cancel);
  EXPECT_EQ(ui::ShowMessage("b", "t", ui::Buttons::YesNo), ui::Answer::Yes);
  auto boxes = ui.messages();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, "信息：");
  EXPECT_EQ(boxes[1].title, "t");
}

TEST(HeadlessUi, WaitOnUiThreadRunsQueuedWork) {
  HeadlessUi ui;
  int ran = 0;
  ui.RunOnUiThread([&] { ++ran; });
  threads::WaitPumping(1);
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace tv::test

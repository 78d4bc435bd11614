// The creation steps' order under the headless UI: skin first, then the forum page before
// the registry is read, the game directory, the default map, and the download window last.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/windows.h"
#include "maps/app_state.h"
#include "tests/app/wx_test_support.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/headless_ui.h"

namespace tv {
namespace {

class CreationStepsTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    App() = AppState{};
    App().ButtonMode = ButtonMode::Install;
  }
  // Runs the steps, noting the two hooks in the UI's log.
  std::vector<std::string> Run() {
    app::RunCreationSteps({[this](int number) { skins.push_back(number); },
                           [this] { ui.SetCaption("hook", "", "download window loaded"); }});
    return ui.log();
  }
  long At(const std::vector<std::string>& log, const std::string& prefix) {
    auto it = std::find_if(log.begin(), log.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    return it == log.end() ? -1 : it - log.begin();
  }

  test::ScopedEnv prefix{"WINEPREFIX",
                         (std::filesystem::temp_directory_path() / "terravane-no-prefix").string()};
  test::HeadlessUi ui;
  std::vector<int> skins;
};

TEST_F(CreationStepsTest, RunInOrderWithTheForumPageBeforeTheRegistry) {
  auto log = Run();
  EXPECT_EQ(skins, std::vector<int>{19});
  ASSERT_EQ(ui.openedPages(), std::vector<std::string>{app::ForumPageUrl()});
  EXPECT_TRUE(app::ForumPageUrl().starts_with("http://"));
  EXPECT_TRUE(app::ForumPageUrl().ends_with("/forum.php?mod=viewthread&tid=1315&extra=page%3D1"));
  long page = At(log, "OpenWebPage"), box = At(log, "MessageBox"),
       edit = At(log, "SetText MainWindow 编辑框1");
  long map = At(log, "SetCaption MainWindow 标签6"), hook = At(log, "SetCaption hook");
  EXPECT_GE(page, 0);
  EXPECT_LT(page, box);
  EXPECT_LT(box, edit);
  EXPECT_LT(edit, map);
  EXPECT_LT(map, hook);
  EXPECT_EQ(hook, static_cast<long>(log.size()) - 1);
  EXPECT_EQ(App().ButtonMode, ButtonMode::Backup);
}

}  // namespace
}  // namespace tv

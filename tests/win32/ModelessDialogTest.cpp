// The modeless-dialog base with a real dialog: an exception of any type ends the form
// cleanly; a form destroyed with its window open detaches first.
#include "common/ModelessDialog.h"

#include <gtest/gtest.h>

namespace zq {
namespace {

constexpr int kTestDialog = 100;  // tests/win32/TestDialog.rc
constexpr int kThrowButton = 1001;

struct ThrowingForm final : ModelessDialog {
  ThrowingForm() : ModelessDialog(kTestDialog) {}
  bool ended = false;
  bool OnCommand(int id, int) override {
    if (id == kThrowButton) throw 42;  // no std::exception
    return false;
  }
  void OnUnhandledException() override {
    ended = true;
    ModelessDialog::OnUnhandledException();
  }
};

TEST(ModelessDialog, AnyExceptionEndsTheFormCleanly) {
  ThrowingForm form;
  ASSERT_TRUE(form.Create());
  ::PostMessageA(form.window(), WM_COMMAND, kThrowButton, 0);
  form.RunMessageLoop();  // returns once the window is gone
  EXPECT_TRUE(form.ended);
  EXPECT_EQ(form.window(), nullptr);

  auto open = std::make_unique<ThrowingForm>();
  ASSERT_TRUE(open->Create());
  const HWND window = open->window();
  open.reset();
  EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
}  // namespace zq

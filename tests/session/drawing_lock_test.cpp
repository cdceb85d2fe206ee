// One drawing at a time: while the lock is held (by a draw command), the
// window's drawing ends before its first event, and starts again once it is
// free.

#include "session/drawing_lock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fake_desktop.h"

namespace scrivlet {
namespace {

TEST(DrawingLock, TheWindowDrawsOnlyWhileNoOtherDrawingHoldsIt) {
  std::string runtime =
      (std::filesystem::temp_directory_path() / "scrivlet-lock.XXXXXX")
          .string();
  ASSERT_NE(mkdtemp(runtime.data()), nullptr);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  auto fake = std::make_unique<testing::FakeDesktop>();
  testing::FakeDesktop& inner = *fake;
  DrawingLockDesktop window(std::move(fake));
  {
    const std::unique_ptr<DrawingLock> command = DrawingLock::TryTake();
    ASSERT_TRUE(command);
    EXPECT_THROW(window.DrawingStarted(), PlatformError);
    EXPECT_EQ(inner.drawings_started, 0);
  }
  window.DrawingStarted();
  EXPECT_EQ(inner.drawings_started, 1);
  EXPECT_EQ(DrawingLock::TryTake(), nullptr) << "the window's drawing holds it";
  window.DrawingEnded();
  EXPECT_NE(DrawingLock::TryTake(), nullptr);
  std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace scrivlet

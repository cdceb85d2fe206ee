// `scrivlet draw`, as a script runs it, draws a picture file once and
// reports what it sent; bad command lines, bad pictures, a drawing already
// running and `scrivlet --abort` each end it with their exit status.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "dot_pattern.h"
#include "paint_program.h"
#include "poll_for.h"
#include "program_pictures.h"
#include "session/drawing_lock.h"
#include "x_windows.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The draw command (or --abort) running, its output kept in files in `dir`;
// its runtime directory is the tests' own private one.
class Scrivlet {
 public:
  Scrivlet(const QTemporaryDir& dir, const std::vector<std::string>& words)
      : out_(dir.filePath("out").toStdString()),
        err_(dir.filePath("err").toStdString()) {
    std::vector<std::string> command = {
        "sh", "-c", R"(exec "$0" "$@" >')" + out_ + "' 2>'" + err_ + "'",
        SCRIVLET_EXECUTABLE};
    command.insert(command.end(), words.begin(), words.end());
    process_.emplace(command);
  }
  std::optional<int> WaitFor(milliseconds timeout) {
    return process_->WaitFor(timeout);
  }
  [[nodiscard]] std::string out() const { return Slurp(out_); }
  [[nodiscard]] std::string err() const { return Slurp(err_); }

 private:
  std::string out_;
  std::string err_;
  std::optional<ChildProcess> process_;
};

class DrawCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files_.isValid()); }

  // Runs to the end (at most a minute): the exit status.
  int Run(const std::vector<std::string>& words) {
    Scrivlet run(files_, words);
    const std::optional<int> status = run.WaitFor(milliseconds(60000));
    out_ = run.out();
    err_ = run.err();
    return status.value_or(-1);
  }

  std::string Png(const PatternPicture& picture) {
    return SavePng(files_, static_cast<std::int32_t>(picture.ScaleWidth()),
                   static_cast<std::int32_t>(picture.ScaleHeight()),
                   Ink(picture));
  }

  void OpenPaint() { paint_.emplace("mtpaint"); }

  std::string At(ScreenPoint point) const {
    return std::to_string(point.x) + "," + std::to_string(point.y);
  }

  QTemporaryDir files_;
  std::string out_;
  std::string err_;
  std::optional<PaintProgram> paint_;
};

// The summary's counts by name.
int Count(const std::string& summary, const std::string& name) {
  std::smatch found;
  if (!std::regex_search(summary, found, std::regex(name + "=([0-9]+)"))) {
    ADD_FAILURE() << "no " << name << " in: " << summary;
    return -1;
  }
  return std::stoi(found[1]);
}

TEST_F(DrawCommandTest, RefusesBadCommandLinesAndPictures) {
  struct Case {
    std::vector<std::string> words;
    int status;
    const char* said;
  };
  const Case cases[] = {
      {{"draw", "a.png", "--colour"}, 2, "使い方"},
      {{"draw", files_.filePath("none.png").toStdString()},
       1,
       "ファイルが見つかりません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.back());
    EXPECT_EQ(Run(c.words), c.status);
    EXPECT_NE(err_.find(c.said), std::string::npos) << err_;
    EXPECT_EQ(out_, "");
  }
}

TEST_F(DrawCommandTest, DrawsOnceAtTheStartPointAndCountsWhatLanded) {
  OpenPaint();
  const PatternPicture picture = MixedPicture(120, 40);
  const ScreenPoint origin{paint_->canvas().left + 20,
                           paint_->canvas().top + 20};
  ASSERT_EQ(Run({"draw", Png(picture), "--at", At(origin)}), 0) << err_;

  // The window's start-up settings: coarseness 2, magnification 1,
  // threshold 200.
  const std::vector<ScreenPoint> dots = ExpectedDots(
      picture, DrawSettings{2, 1, 200, kFalse}, PlotMode::Absolute, origin);
  const CanvasCheck check = CheckCanvas(paint_->Capture(BoundingRect(dots, 4)),
                                        dots, paint_->paper());
  EXPECT_EQ(check.landed, check.expected)
      << "missing: " << Describe(check.missing);
  EXPECT_EQ(check.stray, 0) << "stray: " << Describe(check.strays);
  EXPECT_EQ(Count(out_, "dots"), static_cast<int>(dots.size())) << out_;
  EXPECT_EQ(Count(out_, "confirmed"), static_cast<int>(dots.size())) << out_;
}

TEST_F(DrawCommandTest, WaitsForNoOtherDrawingAndStopsOnAbort) {
  OpenPaint();
  const std::string path = Png(MixedPicture(300, 90));
  const std::string at =
      At({paint_->canvas().left + 20, paint_->canvas().top + 20});
  {
    // The window's drawing holds the same lock.
    const std::unique_ptr<DrawingLock> window = DrawingLock::TryTake();
    ASSERT_TRUE(window);
    EXPECT_EQ(Run({"draw", path, "--at", at}), 1);
    EXPECT_NE(err_.find(kDrawingElsewhere), std::string::npos) << err_;
  }

  Scrivlet drawing(files_, {"draw", path, "--at", at});
  const ScreenRect first_dots{paint_->canvas().left + 20,
                              paint_->canvas().top + 20, 8, 8};
  ASSERT_TRUE(PollFor(
      [&] {
        return CheckCanvas(paint_->Capture(first_dots), {}, paint_->paper())
                   .stray > 0;
      },
      milliseconds(20000)))
      << "the drawing did not start";
  EXPECT_EQ(Run({"--abort"}), 0) << err_;
  ASSERT_EQ(drawing.WaitFor(milliseconds(5000)), 1) << drawing.err();
  const std::string summary = drawing.out();
  EXPECT_GT(Count(summary, "dots"), 0) << summary;
  EXPECT_LT(Count(summary, "dots"), 3000) << "it was not stopped: " << summary;
  EXPECT_FALSE(LeftButtonDown(paint_->display()))
      << "the left button was left down";
}

}  // namespace
}  // namespace scrivlet::testing

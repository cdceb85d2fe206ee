#pragma once

// A main window on the fake desktop, with the browser and the problem box
// replaced by recorders.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "fake_desktop.h"
#include "window/form1.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace scrivlet::testing {

// The fake desktop that also lets a test look at the window while a drawing
// sends its events.
class ObservingDesktop : public FakeDesktop {
 public:
  std::function<void(std::uint32_t flags)> on_event;

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    FakeDesktop::mouse_event(flags, dx, dy);
    if (on_event) {
      on_event(flags);
    }
  }
};

class Form1Test : public ::testing::Test {
 protected:
  Form1Test()
      : form_(std::make_unique<Form1>(
            desktop_, Form1Hooks{[this](const QUrl& url) {
                                   opened_.push_back(url);
                                   return open_succeeds_;
                                 },
                                 [this](const QString& message) {
                                   problems_.push_back(message);
                                 }})) {}

  template <typename Widget>
  Widget* Find(const char* name) const {
    auto* widget = form_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }

  Form1& form() { return *form_; }

  ObservingDesktop desktop_;
  std::vector<QUrl> opened_;
  QStringList problems_;
  bool open_succeeds_ = true;
  std::unique_ptr<Form1> form_;
};

}  // namespace scrivlet::testing

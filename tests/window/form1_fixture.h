#pragma once

// A main window on the fake desktop, with the browser and the problem box
// replaced by recorders.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <vector>

#include "fake_desktop.h"
#include "window/form1.h"

namespace scrivlet::testing {

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

  FakeDesktop desktop_;
  std::vector<QUrl> opened_;
  QStringList problems_;
  bool open_succeeds_ = true;
  std::unique_ptr<Form1> form_;
};

}  // namespace scrivlet::testing

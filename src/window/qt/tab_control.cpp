#include "window/qt/tab_control.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>

namespace scrivlet {
namespace {

// A page: the raised panel below the tab strip, on the window's own
// background (the desktop's button-face colour), so that the controls on it
// keep their usual text colours.
class TabPage : public QWidget {
 public:
  TabPage(int strip_height, QWidget* parent)
      : QWidget(parent), strip_height_(strip_height) {}

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, strip_height_ - 1, 0, 0);
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
  }

 private:
  int strip_height_;
};

}  // namespace

void EqualWidthTabBar::SetTabSize(QSize size) {
  if (size != tab_size_) {
    // The bar lays its tabs out again when it is resized next.
    tab_size_ = size;
    updateGeometry();
  }
}

QSize EqualWidthTabBar::tabSizeHint(int /*index*/) const { return tab_size_; }

QSize EqualWidthTabBar::minimumTabSizeHint(int /*index*/) const {
  return tab_size_;
}

TabControl::TabControl(int tab_height, int tabs_per_row, QWidget* parent)
    : QWidget(parent),
      tab_bar_(new EqualWidthTabBar(this)),
      tab_height_(tab_height),
      tabs_per_row_(std::max(1, tabs_per_row)) {
  tab_bar_->setExpanding(false);
  tab_bar_->setUsesScrollButtons(false);
  tab_bar_->setDrawBase(false);
  tab_bar_->setElideMode(Qt::ElideRight);
  connect(tab_bar_, &QTabBar::currentChanged, this, &TabControl::ShowPage);
}

QWidget* TabControl::AddPage(const QString& caption) {
  auto* page = new TabPage(tab_height_, this);
  pages_.push_back(page);
  tab_bar_->addTab(caption);
  tab_bar_->raise();
  LayOut();
  ShowPage(tab_bar_->currentIndex());
  return page;
}

QWidget* TabControl::page(int index) const {
  return pages_.at(static_cast<std::size_t>(index));
}

int TabControl::currentIndex() const { return tab_bar_->currentIndex(); }

void TabControl::Move(int left, int top, int width, int height) {
  setGeometry(left, top, std::max(0, width), std::max(0, height));
}

void TabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void TabControl::ShowPage(int index) {
  // Only the shown page's controls are visible, so only they take part in
  // the focus order.
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    pages_[i]->setVisible(static_cast<int>(i) == index);
  }
}

void TabControl::LayOut() {
  for (QWidget* page : pages_) {
    page->setGeometry(rect());
  }
  tab_bar_->SetTabSize({width() / tabs_per_row_, tab_height_});
  tab_bar_->setGeometry(0, 0, width(), tab_height_);
}

}  // namespace scrivlet

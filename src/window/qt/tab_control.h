#pragma once

// SSTab1: a tab control whose pages cover the whole control, so that page
// contents are placed from its top-left corner with the tab strip inside that
// area. The tabs share the strip's width in equal parts, a fixed number per
// row.

#include <QTabBar>
#include <QWidget>
#include <vector>

namespace scrivlet {

class EqualWidthTabBar : public QTabBar {
  Q_OBJECT

 public:
  using QTabBar::QTabBar;
  void SetTabSize(QSize size);

 protected:
  [[nodiscard]] QSize tabSizeHint(int index) const override;
  [[nodiscard]] QSize minimumTabSizeHint(int index) const override;

 private:
  QSize tab_size_;
};

class TabControl : public QWidget {
  Q_OBJECT

 public:
  TabControl(int tab_height, int tabs_per_row, QWidget* parent);

  // A new page; its children are placed from the control's top-left corner.
  QWidget* AddPage(const QString& caption);
  [[nodiscard]] QWidget* page(int index) const;
  [[nodiscard]] int currentIndex() const;
  [[nodiscard]] EqualWidthTabBar* tabBar() const { return tab_bar_; }

  // Position and size in one call, in the parent's pixels. Negative sizes
  // count as zero.
  void Move(int left, int top, int width, int height);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowPage(int index);
  void LayOut();

  EqualWidthTabBar* tab_bar_;
  std::vector<QWidget*> pages_;
  int tab_height_;
  int tabs_per_row_;
};

}  // namespace scrivlet

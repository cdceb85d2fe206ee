#include "window/qt/form1.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QTimer>

#include "window/core/dropped_files.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window/qt/caption_frame.h"
#include "window/qt/fonts.h"
#include "window/qt/grayable_check_box.h"
#include "window/qt/ink_chip.h"
#include "window/qt/mime_items.h"
#include "window/qt/picture_box.h"
#include "window/qt/tab_control.h"
#include "window/qt/user_input_blocker.h"

// The sample picture and the icon are compiled into this static library;
// the resource system must be told so before their first use.
static void InitWindowResources() { Q_INIT_RESOURCE(scrivlet); }

namespace scrivlet {
namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

Form1::Form1(PlatformInput& desktop, Form1Hooks hooks)
    : hooks_(std::move(hooks)),
      dpi_x_(logicalDpiX()),
      dpi_y_(logicalDpiY()),
      input_blocker_(new UserInputBlocker(this)) {
  if (!hooks_.open_url) {
    hooks_.open_url = [](const QUrl& url) {
      return QDesktopServices::openUrl(url);
    };
  }
  if (!hooks_.open_file) {
    hooks_.open_file = [](QWidget* parent) {
      return QFileDialog::getOpenFileName(parent, Text(texts::kCaption));
    };
  }
  InitWindowResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(Text(texts::kCaption));
  setWindowIcon(QIcon(QStringLiteral(":/scrivlet/scrivlet.ico")));
  resize(TwipsToPixels(layout::kFormInnerWidth, dpi_x_),
         TwipsToPixels(layout::kFormInnerHeight, dpi_y_));

  BuildControls();
  SetFocusOrder();
  // The first control in the focus order has the focus when the window opens.
  sstab1_->tabBar()->setFocus();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kTimer1IntervalMs);

  core_ = std::make_unique<Form1Core>(*this, desktop, decoder_,
                                      Picture1InnerSize({dpi_x_, dpi_y_}));
  core_->SetPicture(ToPicture(QImage(QStringLiteral(":/scrivlet/sample.gif"))));
  Connect();
  core_->Form_Load();
  timer1_->start();
}

Form1::~Form1() {
  // The widgets outlive the core by a moment; nothing they signal while
  // they go reaches it.
  timer1_->stop();
  core_.reset();
}

std::function<void()> Form1::Forward(void (Form1Core::*handler)()) {
  return [this, handler] {
    if (core_) {
      ((*core_).*handler)();
    }
  };
}

QWidget* Form1::Create(Control control) {
  const QString text =
      Info(control).text != nullptr ? Text(Info(control).text) : QString();
  switch (control) {
    case Control::SSTab1:
      return sstab1_ = new TabControl(TwipsToPixels(layout::kTabHeight, dpi_y_),
                                      layout::kTabsPerRow, this);
    case Control::Text3: {
      auto* edit = new QPlainTextEdit;
      edit->setFont(ControlFont(kUsageFontPoints));
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setTabChangesFocus(true);
      return edit;
    }
    case Control::Picture1:
      return picture1_ = new PictureBox(nullptr);
    case Control::Frame1:
      return new CaptionFrame(text, nullptr);
    case Control::Command1:
    case Control::Command2:
      return new QPushButton(text);
    case Control::Option1_0:
    case Control::Option1_1: {
      auto* option = new QRadioButton(text);
      option->setFont(ControlFont(kOptionFontPoints));
      return option;
    }
    case Control::Frame2:
    case Control::Frame3:
      return new CaptionFrame(text, nullptr);
    case Control::Option2_0:
    case Control::Option2_1:
    case Control::Option3_0:
    case Control::Option3_1:
    case Control::Option3_2: {
      auto* option = new QRadioButton(text);
      option->setFont(ControlFont(kOptionFontPoints));
      return option;
    }
    case Control::Check1:
    case Control::Check2:
    case Control::Check3: {
      auto* check = new GrayableCheckBox(text);
      check->setFont(ControlFont(kOptionFontPoints));
      return check;
    }
    case Control::Text1:
    case Control::Text2:
    case Control::Text4:
      return new QLineEdit(text);
    case Control::Label3: {
      auto* label = new QLabel(text);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      QPalette red = label->palette();
      red.setColor(QPalette::WindowText, QColor(255, 0, 0));
      label->setPalette(red);
      return label;
    }
    case Control::Label1:
    case Control::Label2:
    case Control::Label4:
    case Control::Label5: {
      auto* label = new QLabel(text);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case Control::Label6:
      return new QLabel(text);
    case Control::InkChip_0:
    case Control::InkChip_1:
    case Control::InkChip_2:
    case Control::InkChip_3:
    case Control::InkChip_4:
    case Control::InkChip_5:
    case Control::InkChip_6:
    case Control::InkChip_7: {
      auto* chip = new InkChip(text);
      chip->hide();
      return chip;
    }
    case Control::Label7:
    case Control::Label8: {
      auto* label = new QLabel(text);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
  }
  return nullptr;
}

void Form1::BuildControls() {
  QWidget* main_page = nullptr;
  QWidget* settings_page = nullptr;
  QWidget* style_page = nullptr;
  for (const layout::Placement& place : layout::kPlacements) {
    QWidget* widget = Create(place.control);
    widget->setObjectName(QString::fromLatin1(Info(place.control).name));
    controls_[static_cast<std::size_t>(place.control)] = widget;
    switch (place.parent) {
      case layout::Container::Form:
        break;
      case layout::Container::MainPage:
        widget->setParent(main_page);
        break;
      case layout::Container::SettingsPage:
        widget->setParent(settings_page);
        break;
      case layout::Container::Frame1:
        widget->setParent(Widget(Control::Frame1));
        break;
      case layout::Container::StylePage:
        widget->setParent(style_page);
        break;
      case layout::Container::Frame2:
        widget->setParent(Widget(Control::Frame2));
        break;
      case layout::Container::Frame3:
        widget->setParent(Widget(Control::Frame3));
        break;
    }
    const TwipRect& rect = place.rect;
    if (place.control == Control::Picture1) {
      // Sized by its picture; only the stored inner area is its minimum.
      widget->move(TwipsToPixels(rect.left, dpi_x_),
                   TwipsToPixels(rect.top, dpi_y_));
    } else {
      widget->setGeometry(TwipsToPixels(rect.left, dpi_x_),
                          TwipsToPixels(rect.top, dpi_y_),
                          TwipsToPixels(rect.width, dpi_x_),
                          TwipsToPixels(rect.height, dpi_y_));
    }
    if (place.control == Control::SSTab1) {
      main_page = sstab1_->AddPage(Text(texts::kMainPage));
      settings_page = sstab1_->AddPage(Text(texts::kSettingsPage));
      style_page = sstab1_->AddPage(Text(texts::kStylePage));
    }
  }
  for (const Control first :
       {Control::Option1_0, kStyleOptions[0], kDitherOptions[0]}) {
    qobject_cast<QRadioButton*>(Widget(first))->setChecked(true);
  }
}

void Form1::Connect() {
  ConnectOptions(std::array{Control::Option1_0, Control::Option1_1});
  ConnectOptions(kStyleOptions);
  ConnectOptions(kDitherOptions);
  const auto raise = [this](Control control) {
    return [this, control] {
      if (core_) {
        core_->ControlEvent(control);
      }
    };
  };
  for (const Control box :
       {Control::Check1, Control::Check2, Control::Check3}) {
    connect(qobject_cast<QCheckBox*>(Widget(box)), &QCheckBox::stateChanged,
            this, raise(box));
  }
  for (const Control text : {Control::Text1, Control::Text2, Control::Text4}) {
    connect(qobject_cast<QLineEdit*>(Widget(text)), &QLineEdit::textChanged,
            this, raise(text));
  }
  for (const Control button : {Control::Command1, Control::Command2}) {
    connect(qobject_cast<QPushButton*>(Widget(button)), &QPushButton::clicked,
            this, raise(button));
  }
  for (const Control chip : kInkChips) {
    connect(qobject_cast<QPushButton*>(Widget(chip)), &QPushButton::clicked,
            this, raise(chip));
  }
  connect(timer1_, &QTimer::timeout, this, Forward(&Form1Core::Timer1_Timer));
  // Edit boxes keep Ctrl+V for their own text: they take the shortcut first.
  connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this,
          Forward(&Form1Core::Form_Paste));
  picture1_->SetDoubleClickHandler(Forward(&Form1Core::Picture1_DblClick));
  picture1_->SetDropHandler(
      [this](const QMimeData& mime, bool copy_offered, bool dropped) {
        return core_ && Dropped(mime, copy_offered, dropped);
      });
}

void Form1::ConnectOptions(std::span<const Control> group) {
  for (const Control button : group) {
    auto* option = qobject_cast<QRadioButton*>(Widget(button));
    option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus
                                               : Qt::ClickFocus);
    connect(
        option, &QRadioButton::toggled, this,
        [this, option, button](bool checked) {
          // The Tab key reaches the group at its selected button only.
          option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
          if (checked && core_) {
            core_->ControlEvent(button);
          }
        });
  }
}

void Form1::SetFocusOrder() {
  // One chain through all pages; the hidden pages' controls drop out of it.
  QWidget* previous = sstab1_->tabBar();
  for (const Control control : kFocusOrder) {
    QWidget* next = control == Control::SSTab1 ? nullptr : Widget(control);
    if (next != nullptr) {
      setTabOrder(previous, next);
      previous = next;
    }
  }
  setTabOrder(previous, sstab1_->tabBar());
}

QWidget* Form1::Widget(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

bool Form1::Dropped(const QMimeData& mime, bool copy_offered, bool dropped) {
  if (!dropped) {
    return core_->Picture1_OLEDragOver(copy_offered) == DropEffect::Copy;
  }
  try {
    return core_->Picture1_OLEDragDrop(ItemsOf(mime), copy_offered) ==
           DropEffect::Copy;
  } catch (const std::exception&) {
    // Out of memory copying the drop's list: the drop is refused, since no
    // exception may reach the event loop.
    return false;
  }
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (core_) {
    core_->Form_Resize();
  }
}

void Form1::closeEvent(QCloseEvent* event) {
  if (core_ && !core_->Form_QueryUnload()) {
    event->ignore();
    return;
  }
  if (message_box_) {
    message_box_->close();
  }
  QWidget::closeEvent(event);
}

std::string Form1::GetText(Control control) const {
  QWidget* widget = Widget(control);
  QString text;
  if (const auto* edit = qobject_cast<QLineEdit*>(widget)) {
    text = edit->text();
  } else if (const auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    text = plain->toPlainText();
  } else if (const auto* label = qobject_cast<QLabel*>(widget)) {
    text = label->text();
  }
  return text.toStdString();
}

void Form1::SetText(Control control, std::string_view text) {
  QWidget* widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(Text(text));
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->setPlainText(Text(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(Text(text));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(Text(text));
  }
}

CheckValue Form1::GetCheck(Control control) const {
  const auto* box = qobject_cast<QCheckBox*>(Widget(control));
  switch (box != nullptr ? box->checkState() : Qt::Unchecked) {
    case Qt::Checked:
      return CheckValue::Checked;
    case Qt::PartiallyChecked:
      return CheckValue::Grayed;
    case Qt::Unchecked:
      break;
  }
  return CheckValue::Unchecked;
}

int Form1::SelectedOption() const {
  return qobject_cast<QRadioButton*>(Widget(Control::Option1_0))->isChecked()
             ? 0
             : 1;
}

void Form1::SetCaption(std::string_view text) { setWindowTitle(Text(text)); }

void Form1::ShowMessage(std::string_view text) {
  // One box at a time, never modal: a message must not hold up the window
  // or a drawing, and repeated problems must not pile up boxes.
  if (!message_box_) {
    message_box_ = new QMessageBox(QMessageBox::Warning, Text(texts::kCaption),
                                   QString(), QMessageBox::Ok, this);
    message_box_->setAttribute(Qt::WA_DeleteOnClose);
    message_box_->setModal(false);
  }
  message_box_->setText(Text(text));
  message_box_->show();
  message_box_->raise();
}

void Form1::SetUserInputEnabled(bool enabled) {
  if (!enabled) {
    input_blocker_->Engage();
    return;
  }
  // Input that queued up during the drawing meets the blocker and is gone.
  QCoreApplication::processEvents();
  input_blocker_->Release();
}

void Form1::SetTimerEnabled(bool enabled) {
  if (enabled) {
    timer1_->start();
  } else {
    timer1_->stop();
  }
}

PixelSize Form1::InnerSize() const { return {width(), height()}; }

Dpi Form1::LogicalDpi() const { return {dpi_x_, dpi_y_}; }

void Form1::SetTabGeometry(PixelRect rect) {
  sstab1_->Move(rect.left, rect.top, rect.width, rect.height);
}

NativeWindow Form1::NativeHandle() const {
  return static_cast<NativeWindow>(winId());
}

bool Form1::OpenUrl(const std::string& url) {
  return hooks_.open_url(QUrl(QString::fromStdString(url)));
}

void Form1::ProcessPendingPaint() {
  // Keeps the window painted and answering the desktop's pings and close
  // requests. Not ExcludeUserInputEvents: Qt's X11 platform counts the
  // window manager's close request (WM_DELETE_WINDOW) as user input and
  // would hold it back until the drawing ends. The engaged input blocker
  // drops the user's own input instead.
  QCoreApplication::processEvents();
}

void Form1::ShowPicture(const Picture& shown) {
  // The core keeps the pixels alive until the next picture: no copy.
  picture1_->SetPicture(
      QImage(reinterpret_cast<const uchar*>(shown.argb.data()), shown.width,
             shown.height, static_cast<qsizetype>(shown.width) * 4,
             QImage::Format_RGB32));
}

void Form1::SetEnabled(Control control, bool enabled) {
  Widget(control)->setEnabled(enabled);
}

void Form1::ShowInkChip(Control chip, std::optional<COLORREF> colour) {
  qobject_cast<InkChip*>(Widget(chip))->SetColour(colour);
}

PastedData Form1::ReadClipboard() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime != nullptr ? PastedOf(*mime) : PastedData{};
}

std::optional<std::string> Form1::AskForPictureFile() {
  const QString name = hooks_.open_file(this);
  if (name.isEmpty()) {
    return std::nullopt;
  }
  // The decoder takes the name's bytes as the file system spells them.
  return QFile::encodeName(name).toStdString();
}

void Form1::Close() { close(); }

}  // namespace scrivlet

#include "window/form1.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
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
#include <QTimer>
#include <exception>
#include <utility>

#include "window/caption_frame.h"
#include "window/fonts.h"
#include "window/form1_layout.h"
#include "window/grayable_check_box.h"
#include "window/home_page.h"
#include "window/picture_box.h"
#include "window/picture_loader.h"
#include "window/tab_control.h"
#include "window/text_to_integer.h"
#include "window/usage_text.h"
#include "window/user_input_blocker.h"
#include "window/window_texts.h"

// The sample picture and the icon are compiled into this static library;
// the resource system must be told so before their first use.
static void InitWindowResources() { Q_INIT_RESOURCE(scrivlet); }

namespace scrivlet {
namespace {

constexpr int kTimerIntervalMs = 10;
constexpr double kUsageFontPoints = 9.75;
constexpr double kOptionFontPoints = 8.25;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void ShowProblemBox(QWidget* parent, const QString& message) {
  // Not modal: a message must never hold up the window or a drawing.
  auto* box = new QMessageBox(QMessageBox::Warning, Text(texts::kCaption),
                              message, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace

int CheckValue(const QCheckBox& box) {
  switch (box.checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    case Qt::Unchecked:
      break;
  }
  return 0;
}

Form1::Form1(PlatformInput& desktop, Form1Hooks hooks)
    : desktop_(desktop),
      hooks_(std::move(hooks)),
      dpi_x_(logicalDpiX()),
      dpi_y_(logicalDpiY()),
      input_blocker_(new UserInputBlocker(this)) {
  if (!hooks_.open_url) {
    hooks_.open_url = [](const QUrl& url) {
      return QDesktopServices::openUrl(url);
    };
  }
  if (!hooks_.report_problem) {
    hooks_.report_problem = [this](const QString& message) {
      ShowProblemBox(this, message);
    };
  }
  InitWindowResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(Text(texts::kCaption));
  setWindowIcon(QIcon(QStringLiteral(":/scrivlet/scrivlet.ico")));
  resize(TwipsToPixels(layout::kFormInnerWidth, dpi_x_),
         TwipsToPixels(layout::kFormInnerHeight, dpi_y_));

  sstab1_ = Named(new TabControl(TwipsToPixels(layout::kTabHeight, dpi_y_),
                                 layout::kTabsPerRow, this),
                  "SSTab1");
  Place(sstab1_, layout::kSSTab1);
  BuildMainPage(sstab1_->AddPage(Text(texts::kMainPage)));
  BuildSettingsPage(sstab1_->AddPage(Text(texts::kSettingsPage)));
  SetFocusOrder();
  // The first control in the focus order has the focus when the window opens.
  sstab1_->tabBar()->setFocus();

  timer1_ = Named(new QTimer(this), "Timer1");
  timer1_->setInterval(kTimerIntervalMs);
  connect(timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);

  Form_Load();
  timer1_->start();
}

Form1::~Form1() = default;

void Form1::Place(QWidget* widget, TwipRect rect) const {
  widget->setGeometry(
      TwipsToPixels(rect.left, dpi_x_), TwipsToPixels(rect.top, dpi_y_),
      TwipsToPixels(rect.width, dpi_x_), TwipsToPixels(rect.height, dpi_y_));
}

void Form1::BuildMainPage(QWidget* page) {
  text3_ = Named(new QPlainTextEdit(page), "Text3");
  text3_->setFont(ControlFont(kUsageFontPoints));
  text3_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text3_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text3_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text3_->setTabChangesFocus(true);
  Place(text3_, layout::kText3);

  label5_ = Named(new QLabel(Text(texts::kImageLabel), page), "Label5");
  label5_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(label5_, layout::kLabel5);

  const QSize inner(TwipsToPixels(layout::kPicture1.width, dpi_x_) -
                        2 * layout::kPictureBorderPixels,
                    TwipsToPixels(layout::kPicture1.height, dpi_y_) -
                        2 * layout::kPictureBorderPixels);
  picture1_ = Named(new PictureBox(inner, page), "Picture1");
  picture1_->move(TwipsToPixels(layout::kPicture1.left, dpi_x_),
                  TwipsToPixels(layout::kPicture1.top, dpi_y_));
  picture1_->SetPicture(QImage(QStringLiteral(":/scrivlet/sample.gif")));
  connect(picture1_, &PictureBox::dropped, this,
          [this](const QMimeData* dropped) { Picture1_OLEDragDrop(*dropped); });
}

void Form1::BuildSettingsPage(QWidget* page) {
  frame1_ =
      Named(new CaptionFrame(Text(texts::kSettingsFrame), page), "Frame1");
  Place(frame1_, layout::kFrame1);

  command1_ =
      Named(new QPushButton(Text(texts::kHomePageButton), page), "Command1");
  Place(command1_, layout::kCommand1);
  connect(command1_, &QPushButton::clicked, this, &Form1::Command1_Click);

  label6_ = Named(new QLabel(Text(texts::kMakerNotice), page), "Label6");
  Place(label6_, layout::kLabel6);

  label3_ =
      Named(new QLabel(Text(texts::kWholeNumbersNote), frame1_), "Label3");
  label3_->setWordWrap(true);
  label3_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette red = label3_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  label3_->setPalette(red);
  Place(label3_, layout::kLabel3);

  const QFont option_font = ControlFont(kOptionFontPoints);
  option1_[0] =
      Named(new QRadioButton(Text(texts::kAbsolute), frame1_), "Option1_0");
  option1_[1] =
      Named(new QRadioButton(Text(texts::kRelative), frame1_), "Option1_1");
  Place(option1_[0], layout::kOption1Absolute);
  Place(option1_[1], layout::kOption1Relative);
  option1_[0]->setChecked(true);
  for (std::size_t i = 0; i < option1_.size(); ++i) {
    option1_[i]->setFont(option_font);
    option1_[i]->setFocusPolicy(option1_[i]->isChecked() ? Qt::StrongFocus
                                                         : Qt::ClickFocus);
    connect(option1_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
      // The Tab key reaches the group at its selected button only.
      option1_[i]->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
      if (checked) {
        Option1_Click(static_cast<std::int16_t>(i));
      }
    });
  }

  check1_ =
      Named(new GrayableCheckBox(Text(texts::kTopmost), frame1_), "Check1");
  check2_ =
      Named(new GrayableCheckBox(Text(texts::kDragInput), frame1_), "Check2");
  Place(check1_, layout::kCheck1);
  Place(check2_, layout::kCheck2);
  check1_->setFont(option_font);
  check2_->setFont(option_font);
  connect(check1_, &QCheckBox::stateChanged, this, &Form1::Check1_Click);
  connect(check2_, &QCheckBox::stateChanged, this, &Form1::Check2_Click);

  label1_ =
      Named(new QLabel(Text(texts::kMagnificationLabel), frame1_), "Label1");
  label2_ = Named(new QLabel(Text(texts::kCoarsenessLabel), frame1_), "Label2");
  label4_ = Named(new QLabel(Text(texts::kThresholdLabel), frame1_), "Label4");
  Place(label1_, layout::kLabel1);
  Place(label2_, layout::kLabel2);
  Place(label4_, layout::kLabel4);
  for (QLabel* label : {label1_, label2_, label4_}) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  text1_ = Named(new QLineEdit(Text(texts::kMagnificationDefault), frame1_),
                 "Text1");
  text2_ =
      Named(new QLineEdit(Text(texts::kCoarsenessDefault), frame1_), "Text2");
  text4_ =
      Named(new QLineEdit(Text(texts::kThresholdDefault), frame1_), "Text4");
  Place(text1_, layout::kText1);
  Place(text2_, layout::kText2);
  Place(text4_, layout::kText4);
  connect(text1_, &QLineEdit::textChanged, this, &Form1::Text1_Change);
  connect(text2_, &QLineEdit::textChanged, this, &Form1::Text2_Change);
  connect(text4_, &QLineEdit::textChanged, this, &Form1::Text4_Change);
}

void Form1::SetFocusOrder() {
  // One chain through both pages; the hidden page's controls drop out of it.
  const std::array<QWidget*, 12> chain{
      sstab1_->tabBar(), text3_,      picture1_, check2_,
      check1_,           text4_,      text2_,    text1_,
      option1_[1],       option1_[0], command1_, sstab1_->tabBar()};
  for (std::size_t i = 1; i < chain.size(); ++i) {
    setTabOrder(chain[i - 1], chain[i]);
  }
}

void Form1::Form_Load() {
  StoreConverted(text1_, settings_.Magnification);
  StoreConverted(text2_, settings_.Coarseness);
  StoreConverted(text4_, settings_.Threshold);
  text3_->setPlainText(QString::fromStdString(UsageText()));
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void Form1::Form_Resize() {
  const TwipRect tab = TabControlRectFor(PixelsToTwips(width(), dpi_x_),
                                         PixelsToTwips(height(), dpi_y_));
  sstab1_->Move(TwipsToPixels(tab.left, dpi_x_), TwipsToPixels(tab.top, dpi_y_),
                TwipsToPixels(tab.width, dpi_x_),
                TwipsToPixels(tab.height, dpi_y_));
}

void Form1::StoreConverted(const QLineEdit* box, std::int16_t& field) {
  // A text that does not convert leaves the field as it was.
  if (const auto value = TextToInteger(box->text().toStdString())) {
    field = *value;
  }
}

void Form1::Text1_Change() { StoreConverted(text1_, settings_.Magnification); }

void Form1::Text2_Change() { StoreConverted(text2_, settings_.Coarseness); }

void Form1::Text4_Change() { StoreConverted(text4_, settings_.Threshold); }

void Form1::Option1_Click(std::int16_t index) {
  if (index == 0) {
    text1_->setText(QStringLiteral("1"));
    text2_->setText(QStringLiteral("2"));
  } else if (index == 1) {
    text1_->setText(QStringLiteral("2"));
    text2_->setText(QStringLiteral("2"));
  }
}

void Form1::Check1_Click() {
  // Only a plain tick means topmost; grayed counts as not.
  const ZOrder order =
      CheckValue(*check1_) == 1 ? ZOrder::Topmost : ZOrder::NotTopmost;
  try {
    desktop_.SetWindowPos(static_cast<NativeWindow>(winId()), order);
  } catch (const PlatformError& error) {
    Report(Text(texts::kTopmostFailed) + QLatin1Char('\n') +
           QString::fromStdString(error.what()));
  }
}

void Form1::Check2_Click() {
  settings_.DragInput = CheckValue(*check2_) != 0 ? kTrue : kFalse;
}

void Form1::Picture1_OLEDragDrop(const QMimeData& dropped) {
  if (drawing_) {
    return;
  }
  const QString path = FirstDroppedFile(dropped);
  if (path.isEmpty()) {
    Report(Text(texts::kDropNoFile));
    return;
  }
  const PictureLoad load = LoadPictureFile(path);
  if (load.picture.isNull()) {
    Report(load.problem);
    return;
  }
  picture1_->SetPicture(load.picture);
}

void Form1::Command1_Click() {
  if (!hooks_.open_url(QUrl(QString::fromUtf8(kHomePageUrl)))) {
    Report(Text(texts::kHomePageFailed));
  }
}

void Form1::Timer1_Timer() {
  if (drawing_) {
    return;  // a tick that arrives while a drawing repaints the window
  }
  try {
    DrawTriggerTick(desktop_, *picture1_, settings_, *this);
    key_state_failed_ = false;
  } catch (const std::exception& error) {
    // Only reading F7 can fail here; tell it once, not on every tick.
    if (!key_state_failed_) {
      Report(Text(texts::kKeyStateFailed) + QLatin1Char('\n') +
             QString::fromStdString(error.what()));
    }
    key_state_failed_ = true;
  }
  if (drawing_) {
    EndDrawing();
  }
}

CoordinateMode Form1::SelectedMode() const {
  return option1_[0]->isChecked() ? CoordinateMode::Absolute
                                  : CoordinateMode::Relative;
}

void Form1::SetTimerEnabled(bool enabled) {
  if (enabled) {
    timer1_->start();
    return;
  }
  timer1_->stop();
  BeginDrawing();
}

void Form1::ReportProblem(const std::string& message) {
  Report(QString::fromStdString(message));
}

void Form1::ColumnDone(int columns_done, int columns_total) {
  const int percent =
      columns_total > 0
          ? static_cast<int>(qint64{columns_done} * 100 / columns_total)
          : 100;
  if (percent != shown_percent_) {
    shown_percent_ = percent;
    setWindowTitle(Text(texts::kDrawingCaption).arg(percent));
  }
  // Keeps the window painted and answering the desktop's pings; the user's
  // input waits and is dropped when the drawing ends.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form1::Report(const QString& message) const {
  hooks_.report_problem(message);
}

void Form1::BeginDrawing() {
  drawing_ = true;
  shown_percent_ = -1;
  input_blocker_->Engage();
}

void Form1::EndDrawing() {
  // Input that queued up during the drawing meets the blocker and is gone.
  QCoreApplication::processEvents();
  input_blocker_->Release();
  drawing_ = false;
  setWindowTitle(Text(texts::kCaption));
}

}  // namespace scrivlet

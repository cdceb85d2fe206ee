// Picture1: the built-in sample, what the plotters read, and drops. Which
// files load and why others do not is the loader's table; here is what the
// box and the window make of a drop.

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <set>
#include <utility>
#include <vector>

#include "artwork.h"
#include "form1_fixture.h"
#include "window/picture_box.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kWhite = 0x00FFFFFFU;

class Form1PictureTest : public Form1Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  const PictureBox& Box() { return form().picture(); }

  QUrl Saved(const char* name, const QImage& image) const {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path)) << name;
    return QUrl::fromLocalFile(path);
  }

  // Drags `data` onto the box and drops it, as the desktop shell would;
  // false if the box refuses the drag.
  bool Drop(const QMimeData& data) {
    auto* box = Find<PictureBox>("Picture1");
    const QPoint middle = box->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(box, &enter);
    if (!enter.isAccepted()) {
      return false;
    }
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(box, &drop);
    return true;
  }

  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    return Drop(data);
  }

  QTemporaryDir dir_;
};

// The built-in sample, exactly as the generator drew it, over the box's
// white: sixteen greys, transparent white, about a fifth of it dark.
TEST_F(Form1PictureTest, PlottersReadTheSampleAsDrawnOverWhite) {
  const art::IndexedImage art = art::SampleArtwork();
  ASSERT_EQ(Box().ScaleWidth(), 346.0);
  ASSERT_EQ(Box().ScaleHeight(), 93.0);
  std::set<int> used;
  int dark = 0;
  for (int y = 0; y < 93; ++y) {
    for (int x = 0; x < 346; ++x) {
      const int index = art.at(x, y);
      used.insert(index);
      const COLORREF grey = 0x010101U * static_cast<COLORREF>(index * 16);
      ASSERT_EQ(Box().GetPixel(x, y),
                index == art::kSampleWhite ? kWhite : grey)
          << x << "," << y;
      dark += index * 16 <= 200 ? 1 : 0;
    }
  }
  EXPECT_EQ(used.size(), 17U);
  EXPECT_NEAR(dark / (346.0 * 93.0), 0.2, 0.05);
  for (const QPoint outside :
       {QPoint(346, 0), QPoint(0, 93), QPoint(-1, 5), QPoint(5, -1)}) {
    EXPECT_EQ(Box().GetPixel(outside.x(), outside.y()), kInvalidColour);
  }
}

TEST_F(Form1PictureTest, DropLoadsTheFirstFileAndSizesTheBoxToIt) {
  // Transparent but for a dark pixel at each corner.
  QImage large(400, 120, QImage::Format_ARGB32);
  large.fill(qRgba(0, 0, 0, 0));
  large.setPixel(0, 0, qRgb(10, 20, 30));
  large.setPixel(399, 0, qRgb(40, 50, 60));
  large.setPixel(0, 119, qRgb(70, 80, 90));
  large.setPixel(399, 119, qRgb(0, 0, 0));
  QImage small(20, 20, QImage::Format_RGB32);
  small.fill(Qt::black);
  const QUrl small_file = Saved("small.bmp", small);

  ASSERT_TRUE(Drop({Saved("large.png", large), small_file}));
  EXPECT_TRUE(problems_.isEmpty());
  EXPECT_EQ(Box().size(), QSize(404, 124));
  EXPECT_EQ(Box().ScaleWidth(), 400.0);
  EXPECT_EQ(Box().ScaleHeight(), 120.0);
  EXPECT_EQ(Box().GetPixel(0, 0), 0x001E140AU);
  EXPECT_EQ(Box().GetPixel(399, 0), 0x003C3228U);
  EXPECT_EQ(Box().GetPixel(0, 119), 0x005A5046U);
  EXPECT_EQ(Box().GetPixel(399, 119), 0x00000000U);
  EXPECT_EQ(Box().GetPixel(200, 60), kWhite);  // transparent reads white
  EXPECT_EQ(Box().GetPixel(400, 0), kInvalidColour);

  // A smaller picture: the box returns to its stored size, white beyond.
  ASSERT_TRUE(Drop({small_file}));
  EXPECT_EQ(Box().size(), QSize(350, 97));
  EXPECT_EQ(Box().GetPixel(19, 19), 0x00000000U);
  EXPECT_EQ(Box().GetPixel(20, 19), kWhite);
  EXPECT_EQ(Box().GetPixel(345, 92), kWhite);
}

TEST_F(Form1PictureTest, FailedDropKeepsThePictureAndSaysWhy) {
  const QImage before = Box().shown();
  for (const auto& [url, message] : std::vector<std::pair<QUrl, QString>>{
           {QUrl(QStringLiteral("https://example.org/a.png")),
            QStringLiteral("ファイルをドロップしてください")},
           {QUrl::fromLocalFile(dir_.path()),
            QStringLiteral("フォルダは読み込めません")},
           {QUrl::fromLocalFile(dir_.filePath(QStringLiteral("gone.png"))),
            QStringLiteral("ファイルが見つかりません")}}) {
    problems_.clear();
    ASSERT_TRUE(Drop({url}));
    EXPECT_EQ(problems_, QStringList{message}) << url.toString().toStdString();
    EXPECT_EQ(Box().shown(), before) << url.toString().toStdString();
  }
  // A drag that carries no address at all is refused outright.
  QMimeData words;
  words.setText(QStringLiteral("just words"));
  problems_.clear();
  EXPECT_FALSE(Drop(words));
  EXPECT_TRUE(problems_.isEmpty());
}

}  // namespace
}  // namespace scrivlet::testing

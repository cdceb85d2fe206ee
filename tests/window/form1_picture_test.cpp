// Picture1: the built-in sample, what the plotters read, and dropped files.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "gif_writer.h"
#include "window/picture_box.h"

namespace scrivlet::testing {
namespace {

COLORREF ToColorRef(QRgb rgb) {
  return static_cast<COLORREF>(qRed(rgb)) |
         static_cast<COLORREF>(qGreen(rgb)) << 8U |
         static_cast<COLORREF>(qBlue(rgb)) << 16U;
}

// A BMP header announcing a picture of any size, with no pixels after it.
QByteArray BmpHeader(qint32 width, qint32 height) {
  QByteArray bytes("BM");
  const auto put32 = [&bytes](quint32 value) {
    for (int i = 0; i < 4; ++i) {
      bytes.append(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
  };
  const auto put16 = [&bytes](quint16 value) {
    bytes.append(static_cast<char>(value & 0xFFU));
    bytes.append(static_cast<char>(value >> 8U));
  };
  put32(54 + 64);  // file size (a lie, like the rest)
  put32(0);
  put32(54);
  put32(40);
  put32(static_cast<quint32>(width));
  put32(static_cast<quint32>(height));
  put16(1);
  put16(24);
  put32(0);
  put32(0);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  bytes.append(64, '\0');
  return bytes;
}

quint32 Crc32(const QByteArray& bytes) {
  quint32 crc = 0xFFFFFFFFU;
  for (const char byte : bytes) {
    crc ^= static_cast<quint8>(byte);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1U) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
  }
  return ~crc;
}

// A PNG whose valid header announces a picture of any size, with hardly
// any pixel data.
QByteArray PngHeader(quint32 width, quint32 height) {
  const auto big_endian = [](quint32 value) {
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes.append(
          static_cast<char>((value >> static_cast<unsigned>(shift)) & 0xFFU));
    }
    return bytes;
  };
  const auto chunk = [&big_endian](const QByteArray& type,
                                   const QByteArray& data) {
    return big_endian(static_cast<quint32>(data.size())) + type + data +
           big_endian(Crc32(type + data));
  };
  QByteArray header = big_endian(width) + big_endian(height);
  header.append("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  // Readers stop at the first data chunk to tell the size.
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
         chunk("IDAT", QByteArray(16, '\0')) + chunk("IEND", QByteArray());
}

class Form1PictureTest : public Form1Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  PictureBox& Box() const { return *Find<PictureBox>("Picture1"); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QString Save(const QString& name, const QImage& image,
               const char* format) const {
    if (QByteArray(format) == "GIF") {
      return Write(name, GifOf(image));
    }
    QString path = dir_.filePath(name);
    EXPECT_TRUE(image.save(path, format)) << name.toStdString();
    return path;
  }

  // Qt reads GIF but does not write it: a grey GIF by the project's writer.
  static QByteArray GifOf(const QImage& image) {
    art::IndexedImage indexed;
    indexed.width = image.width();
    indexed.height = image.height();
    for (int level = 0; level < 256; ++level) {
      const auto grey = static_cast<std::uint8_t>(level);
      indexed.palette.push_back({grey, grey, grey});
    }
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        indexed.pixels.push_back(
            static_cast<std::uint8_t>(qGray(image.pixel(x, y))));
      }
    }
    const std::vector<std::uint8_t> bytes =
        art::EncodeGif89a(indexed, std::nullopt);
    return {reinterpret_cast<const char*>(bytes.data()),
            static_cast<qsizetype>(bytes.size())};
  }

  // A picture with a dark pixel at each corner, in a colour per corner.
  static QImage Marked(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(width - 1, 0, qRgb(40, 50, 60));
    image.setPixel(0, height - 1, qRgb(70, 80, 90));
    image.setPixel(width - 1, height - 1, qRgb(0, 0, 0));
    return image;
  }

  // Drags `urls` onto the box and drops them, as the desktop shell would.
  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    return DropData(data);
  }

  bool DropData(const QMimeData& data) {
    const QPoint middle = Box().rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&Box(), &enter);
    if (!enter.isAccepted()) {
      return false;
    }
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(&Box(), &drop);
    return true;
  }

  QTemporaryDir dir_;
};

TEST_F(Form1PictureTest, SampleFillsTheBoxAndReadsThroughWhite) {
  QImage sample(QStringLiteral(SCRIVLET_RESOURCES_DIR "/sample.gif"));
  ASSERT_EQ(sample.size(), QSize(346, 93));
  QImage over_white(sample.size(), QImage::Format_RGB32);
  over_white.fill(Qt::white);
  QPainter(&over_white).drawImage(0, 0, sample);

  const PictureBox& box = form().picture();
  EXPECT_EQ(box.ScaleWidth(), 346.0);
  EXPECT_EQ(box.ScaleHeight(), 93.0);
  EXPECT_EQ(box.size(), QSize(350, 97));
  int dark = 0;
  for (int y = 0; y < 93; ++y) {
    for (int x = 0; x < 346; ++x) {
      ASSERT_EQ(box.GetPixel(x, y), ToColorRef(over_white.pixel(x, y)))
          << x << "," << y;
      dark += box.GetPixel(x, y) != 0x00FFFFFFU ? 1 : 0;
    }
  }
  EXPECT_GT(dark, 346 * 93 / 10);
  // Transparent white shows the box's white, not the colour behind it.
  EXPECT_EQ(box.GetPixel(0, 0), 0x00FFFFFFU);
  for (const QPoint outside : {QPoint(346, 0), QPoint(0, 93), QPoint(-1, 5),
                               QPoint(5, -1), QPoint(346, 93)}) {
    EXPECT_EQ(box.GetPixel(outside.x(), outside.y()), kInvalidColour);
  }
}

TEST_F(Form1PictureTest, DropLoadsOnlyTheFirstFileAndGrowsTheBox) {
  const QString first =
      Save(QStringLiteral("first.png"), Marked(400, 120), "PNG");
  const QString second =
      Save(QStringLiteral("second.bmp"), Marked(20, 20), "BMP");
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
  EXPECT_TRUE(problems_.isEmpty());
  EXPECT_EQ(Box().ScaleWidth(), 400.0);
  EXPECT_EQ(Box().ScaleHeight(), 120.0);
  EXPECT_EQ(Box().size(), QSize(404, 124));
  EXPECT_EQ(Box().GetPixel(0, 0), 0x001E140AU);
  EXPECT_EQ(Box().GetPixel(399, 0), 0x003C3228U);
  EXPECT_EQ(Box().GetPixel(0, 119), 0x005A5046U);
  EXPECT_EQ(Box().GetPixel(399, 119), 0x00000000U);
  EXPECT_EQ(Box().GetPixel(400, 0), kInvalidColour);

  // A smaller picture: the box returns to its stored size, white beyond.
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(second)}));
  EXPECT_EQ(Box().ScaleWidth(), 346.0);
  EXPECT_EQ(Box().ScaleHeight(), 93.0);
  EXPECT_EQ(Box().size(), QSize(350, 97));
  EXPECT_EQ(Box().GetPixel(19, 19), 0x00000000U);
  EXPECT_EQ(Box().GetPixel(20, 19), 0x00FFFFFFU);
  EXPECT_EQ(Box().GetPixel(300, 80), 0x00FFFFFFU);
}

TEST_F(Form1PictureTest, EveryCommonFormatLoadsWhateverItsName) {
  struct Format {
    const char* file;
    const char* format;
  };
  for (const Format format :
       {Format{"a.bmp", "BMP"}, Format{"a.gif", "GIF"}, Format{"a.png", "PNG"},
        Format{"a.jpg", "JPEG"}, Format{"png-named.bmp", "PNG"},
        Format{"no-extension", "GIF"}}) {
    const QString path =
        Save(QString::fromLatin1(format.file), Marked(60, 30), format.format);
    problems_.clear();
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(path)}));
    EXPECT_TRUE(problems_.isEmpty()) << format.file;
    // Each load replaces the whole picture: the sample is gone.
    EXPECT_EQ(Box().GetPixel(100, 50), 0x00FFFFFFU) << format.file;
    EXPECT_LT(Box().GetPixel(59, 29) & 0xFFU, 0x30U) << format.file;
  }
}

TEST_F(Form1PictureTest, TransparentPartsShowWhite) {
  QImage clear(30, 30, QImage::Format_ARGB32);
  clear.fill(qRgba(0, 0, 0, 0));
  clear.setPixel(3, 3, qRgba(0, 0, 0, 255));
  ASSERT_TRUE(Drop(
      {QUrl::fromLocalFile(Save(QStringLiteral("clear.png"), clear, "PNG"))}));
  EXPECT_EQ(Box().GetPixel(3, 3), 0x00000000U);
  EXPECT_EQ(Box().GetPixel(4, 4), 0x00FFFFFFU);
}

TEST_F(Form1PictureTest, FailedDropsKeepThePictureAndSayWhy) {
  QByteArray corrupt("\x89PNG\r\n\x1a\n", 8);
  corrupt.append(QByteArray(200, '\x5A'));
  struct Failure {
    std::string what;
    QList<QUrl> urls;
    QString message;
  };
  const std::vector<Failure> table{
      {"text file",
       {QUrl::fromLocalFile(Write(QStringLiteral("notes.txt"), "hello\n"))},
       QStringLiteral("画像ファイルではありません")},
      {"text named like a picture",
       {QUrl::fromLocalFile(Write(QStringLiteral("notes.bmp"), "hello\n"))},
       QStringLiteral("画像ファイルではありません")},
      {"empty file",
       {QUrl::fromLocalFile(Write(QStringLiteral("empty.png"), ""))},
       QStringLiteral("画像ファイルではありません")},
      {"corrupt picture",
       {QUrl::fromLocalFile(Write(QStringLiteral("corrupt.png"), corrupt))},
       QStringLiteral("画像が壊れていて読み込めません")},
      {"wider than the loop counters",
       {QUrl::fromLocalFile(
           Write(QStringLiteral("wide.bmp"), BmpHeader(40000, 2)))},
       QStringLiteral(
           "画像が大きすぎます(縦横32767ドット、合計4000万ドットまで)")},
      {"too many pixels",
       {QUrl::fromLocalFile(
           Write(QStringLiteral("huge.png"), PngHeader(30000, 30000)))},
       QStringLiteral(
           "画像が大きすぎます(縦横32767ドット、合計4000万ドットまで)")},
      {"missing file",
       {QUrl::fromLocalFile(dir_.filePath(QStringLiteral("gone.png")))},
       QStringLiteral("ファイルが見つかりません")},
      {"folder",
       {QUrl::fromLocalFile(dir_.path())},
       QStringLiteral("フォルダは読み込めません")},
      {"web address",
       {QUrl(QStringLiteral("https://example.org/a.png"))},
       QStringLiteral("ファイルをドロップしてください")},
  };
  const QImage before = form().picture().shown();
  for (const Failure& failure : table) {
    problems_.clear();
    ASSERT_TRUE(Drop(failure.urls)) << failure.what;
    ASSERT_EQ(problems_.size(), 1) << failure.what;
    EXPECT_EQ(problems_.front(), failure.message) << failure.what;
    EXPECT_EQ(form().picture().shown(), before) << failure.what;
  }
}

TEST_F(Form1PictureTest, DragWithoutFilesIsRefused) {
  QMimeData text;
  text.setText(QStringLiteral("just words"));
  EXPECT_FALSE(DropData(text));
  EXPECT_TRUE(problems_.isEmpty());
}

}  // namespace
}  // namespace scrivlet::testing

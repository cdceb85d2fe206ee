// Writes the window icon as the PNG that desktop menus show:
//   scrivlet_icon_png INPUT.ico OUTPUT.png
// The icon artwork exists once, as the .ico the window uses.

#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <iostream>

int main(int argc, char** argv) {
  // The application object makes Qt find its image format plugins (ICO).
  const QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: scrivlet_icon_png INPUT.ico OUTPUT.png\n";
    return 2;
  }
  const QImage icon(QString::fromLocal8Bit(argv[1]));
  constexpr int kSide = 32;
  if (icon.isNull() || icon.width() != kSide || icon.height() != kSide) {
    std::cerr << "scrivlet_icon_png: " << argv[1]
              << " is not a 32 x 32 icon Qt can read\n";
    return 1;
  }
  if (!icon.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::cerr << "scrivlet_icon_png: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}

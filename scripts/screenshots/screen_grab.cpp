// Saves the X screen, or a part of it, as a PNG:
//   screen_grab OUTPUT.png [X,Y,WIDTH,HEIGHT]
// Used to take the documentation's screenshots under a virtual X server.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <iostream>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2 && argc != 3) {
    std::cerr << "usage: screen_grab OUTPUT.png [X,Y,WIDTH,HEIGHT]\n";
    return 2;
  }
  int x = 0;
  int y = 0;
  int width = -1;
  int height = -1;
  if (argc == 3) {
    const QStringList parts = QString::fromLocal8Bit(argv[2]).split(u',');
    if (parts.size() != 4) {
      std::cerr << "screen_grab: the area is X,Y,WIDTH,HEIGHT\n";
      return 2;
    }
    x = parts[0].toInt();
    y = parts[1].toInt();
    width = parts[2].toInt();
    height = parts[3].toInt();
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr || !screen->grabWindow(0, x, y, width, height)
                                .save(QString::fromLocal8Bit(argv[1]))) {
    std::cerr << "screen_grab: cannot grab the screen into " << argv[1] << '\n';
    return 1;
  }
  return 0;
}

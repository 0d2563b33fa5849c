// Grabs the X screen the desktop tests run on, keeps it as a PNG, and says
// whether a rectangle of it holds rows of light text:
//   screen_probe OUT.png X Y WIDTH HEIGHT MIN_TEXT_LINES [MAX_TEXT_LINES]
// Exit 0 when at least MIN_TEXT_LINES (and at most MAX_TEXT_LINES, if given)
// pixel rows of the rectangle hold light pixels, 1 otherwise.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr,
                     "usage: screen_probe OUT.png X Y WIDTH HEIGHT MIN_TEXT_LINES "
                     "[MAX_TEXT_LINES]\n");
        return 2;
    }
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    screen.save(QString::fromLocal8Bit(argv[1]));
    const QRect area(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    int textLines = 0;
    for (int y = area.top(); y <= area.bottom() && y < screen.height(); ++y) {
        int light = 0;
        for (int x = area.left(); x <= area.right() && x < screen.width(); ++x) {
            light += QColor(screen.pixel(x, y)).lightness() > 150;
        }
        textLines += light >= 3;
    }
    std::printf("screen_probe: %d pixel rows with text in the rectangle\n", textLines);
    const bool enough = textLines >= atoi(argv[6]);
    const bool notTooMany = argc == 7 || textLines <= atoi(argv[7]);
    return enough && notTooMany ? 0 : 1;
}

// Writes the program's icon as PNG files for the hicolor theme:
//   make_icons FOLDER   ->  FOLDER/<size>x<size>/apps/org.echodelve.EchoDelve.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "ui/artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_icons FOLDER\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) || !echodelve::ui::ProgramIconImage(size).save(
                                        apps + QStringLiteral("/org.echodelve.EchoDelve.png"))) {
            std::fprintf(stderr, "make_icons: could not write the %d px icon\n", size);
            return 1;
        }
    }
    return 0;
}

// A second program for the desktop tests' drag and drop through the X server:
//   drag_probe source FILE   a window that starts dragging FILE (as a file
//                            manager does) when pressed
//   drag_probe target OUT    a window that takes a dropped file and copies it
//                            into the folder OUT, as a file manager does
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class Probe : public QWidget {
  public:
    Probe(bool source, QString path) : source_(source), path_(std::move(path)) {
        setWindowTitle(source ? QStringLiteral("drag source") : QStringLiteral("drop target"));
        setAcceptDrops(!source);
        setFixedSize(120, 120);
    }

  protected:
    void mousePressEvent(QMouseEvent* /*event*/) override {
        if (!source_) {
            return;
        }
        auto* drag = new QDrag(this);
        auto* carried = new QMimeData;
        carried->setUrls({QUrl::fromLocalFile(path_)});
        drag->setMimeData(carried);
        drag->exec(Qt::CopyAction);
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) {
            event->acceptProposedAction();
        }
    }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls()) {
            const QString from = url.toLocalFile();
            QFile::copy(from, path_ + QLatin1Char('/') + QFileInfo(from).fileName());
        }
        event->acceptProposedAction();
    }

  private:
    bool source_;
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3 ||
        (args[1] != QStringLiteral("source") && args[1] != QStringLiteral("target"))) {
        std::fputs("usage: drag_probe source FILE | drag_probe target FOLDER\n", stderr);
        return 2;
    }
    Probe probe(args[1] == QStringLiteral("source"), args[2]);
    probe.show();
    return QApplication::exec();
}

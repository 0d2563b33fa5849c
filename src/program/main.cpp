#include <QApplication>
#include <QFont>

#include "echodelve_version.h"
#include "formats/atomic_file.h"
#include "program/program.h"

int main(int argc, char** argv) {
    echodelve::RemoveFilesInFlightOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("EchoDelve"));
    QApplication::setApplicationVersion(QString::fromLatin1(echodelve::kVersionText));
    // The windows are laid out for an 8 pt sans-serif face.
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));
    echodelve::program::Program program;
    program.Main().show();
    return QApplication::exec();
}

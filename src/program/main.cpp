#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include <unistd.h>

#include "commands/exit_command.h"
#include "commands/open_commands.h"
#include "echodelve_version.h"
#include "formats/atomic_file.h"
#include "formats/library_chatter.h"
#include "platform/developer_log.h"
#include "platform/end_signals.h"
#include "platform/scratch_folder.h"
#include "program/program.h"

namespace {

// The options, parsed before any window or display is needed, so --help and
// --version work where there is no display.
struct CommandLine {
    QString archive;
    bool verbose = false;  // the decoding libraries' notes on standard error
    int exitNow = -1;      // the status to end with at once, when not -1
};

CommandLine ParseCommandLine(int argc, char** argv) {
    QStringList words;
    for (int i = 0; i < argc; ++i) {
        words << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    QCoreApplication::setApplicationName(QStringLiteral("echodelve"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(echodelve::kVersionText));
    parser.setApplicationDescription(
        QStringLiteral("Lists, plays and saves the sounds of SFX and WAD game sound archives and "
                       "Doom-engine WADs."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),  // -v is --version's
        QStringLiteral("Pass on, on standard error, what the libraries print of their own "
                       "(the decoders' notes on the sounds among it), and what the program "
                       "does and how long it takes."));
    parser.addOption(verbose);
    parser.addPositionalArgument(QStringLiteral("archive"),
                                 QStringLiteral("An SFX or WAD archive to open at start."),
                                 QStringLiteral("[ARCHIVE]"));
    CommandLine line;
    if (!parser.parse(words) || parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "echodelve: %s\n",
                     (parser.errorText().isEmpty() ? QStringLiteral("give at most one archive")
                                                   : parser.errorText())
                         .toLocal8Bit()
                         .constData());
        line.exitNow = 2;
    } else if (parser.isSet(help)) {
        std::fputs(parser.helpText()
                       .replace(QStringLiteral("<executable_name>"), QStringLiteral("echodelve"))
                       .toLocal8Bit()
                       .constData(),
                   stdout);
        line.exitNow = 0;
    } else if (parser.isSet(version)) {
        std::printf("echodelve %.*s\n", static_cast<int>(echodelve::kVersionText.size()),
                    echodelve::kVersionText.data());
        line.exitNow = 0;
    } else {
        line.verbose = parser.isSet(verbose);
    }
    if (line.exitNow < 0 && !parser.positionalArguments().isEmpty()) {
        line.archive = parser.positionalArguments().constFirst();
    }
    return line;
}

int Run(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.exitNow >= 0) {
        return line.exitNow;
    }
    echodelve::RemoveFilesInFlightOnSignals();
    // The decoders' notes are not the program's; Qt's messages and ours are.
    echodelve::LibraryChatter chatter("echodelve");
    echodelve::ShowLibraryChatter(line.verbose);
    echodelve::platform::ShowDeveloperDetail(line.verbose);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            const QByteArray said = (qFormatLogMessage(type, context, text) + u'\n').toLocal8Bit();
            static_cast<void>(write(echodelve::LibraryChatter::ToolFd(), said.constData(),
                                    static_cast<std::size_t>(said.size())));
            if (type == QtFatalMsg) {
                std::abort();
            }
        });
    echodelve::program::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("EchoDelve"));
    QApplication::setApplicationVersion(QString::fromLatin1(echodelve::kVersionText));
    QApplication::setDesktopFileName(QStringLiteral("org.echodelve.EchoDelve"));
    // The windows are laid out for an 8 pt sans-serif face.
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));
    // Previews of copies that were killed; the folders of running copies stay.
    echodelve::platform::RemoveAbandonedScratchFolders();
    echodelve::program::Program program;
    // Every end runs Exit's sequence; only how the process then ends differs.
    const auto exitSequenceEndingWith = [&program](std::function<void()> end) {
        program.Context().endProgram = std::move(end);
        echodelve::commands::ExitSequence(program.Context());
    };
    // An exception no handler took: the sequence, and EndUnforeseen ends it.
    application.SetBeforeEnd([exitSequenceEndingWith] { exitSequenceEndingWith(nullptr); });
    // A signal: the sequence, then the end the signal would give.
    echodelve::platform::RouteEndSignals(&program.Main(), [exitSequenceEndingWith](int signal) {
        exitSequenceEndingWith([signal] {
            echodelve::RemoveFilesInFlight();
            echodelve::platform::EndAsSignal(signal);
        });
    });
    program.Main().show();
    if (!line.archive.isEmpty()) {
        // Once the window is up, as if the user had chosen the archive.
        QTimer::singleShot(0, &program.Main(), [&program, &line] {
            echodelve::commands::OpenArchive(program.Context(), line.archive);
        });
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // The one handler at the top: what the event loop's guard does not see
    // (start-up, the end) still ends as a message and a failing status.
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "echodelve: %s\n", failure.what());
    } catch (...) {
        std::fputs("echodelve: an unforeseen failure ended the program\n", stderr);
    }
    echodelve::RemoveFilesInFlight();
    return 1;
}

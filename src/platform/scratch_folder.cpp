#include "platform/scratch_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "platform/paths.h"

namespace echodelve::platform {

namespace {

const QString kBaseName = QStringLiteral("echodelve");

// A scratch folder's name: the process id of the program that made it.
const QRegularExpression& ScratchName() {
    static const QRegularExpression name(QStringLiteral("^([0-9]{1,10})-[A-Za-z0-9]{6}$"));
    return name;
}

// Opens a folder (never through a link) and locks it, without waiting;
// the descriptor, or -1 when it cannot be opened or another holds it.
int OpenAndHold(const QString& folder) {
    const int fd = open(QFile::encodeName(folder).constData(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool ProcessRuns(qint64 pid) {
    // Another user's process answers EPERM: it runs.
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

}  // namespace

QString ScratchBase() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        return JoinPath(runtime, kBaseName);
    }
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                    kBaseName);
}

ScratchFolder::ScratchFolder(QString base) : base_(std::move(base)) {}

ScratchFolder::~ScratchFolder() {
    Release();
}

void ScratchFolder::Release() {
    if (hold_ >= 0) {
        close(hold_);
        hold_ = -1;
    }
}

QString ScratchFolder::Prepare() {
    if (hold_ >= 0 && QFileInfo(path_).isDir()) {
        return path_;
    }
    Release();
    path_.clear();
    if (!QDir().mkpath(base_)) {
        return {};
    }
    QByteArray name =
        QFile::encodeName(JoinPath(base_, QString::number(getpid()) + QStringLiteral("-XXXXXX")));
    if (mkdtemp(name.data()) == nullptr) {
        return {};
    }
    const QString made = QFile::decodeName(name);
    hold_ = OpenAndHold(made);
    if (hold_ < 0) {
        QDir().rmdir(made);
        return {};
    }
    path_ = made;
    return path_;
}

int RemoveAbandonedScratchFolders(const QString& base) {
    int removed = 0;
    const QFileInfoList entries =
        QDir(base).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch name = ScratchName().match(entry.fileName());
        if (!name.hasMatch() || entry.isSymLink()) {
            continue;
        }
        // Held: its program runs. Not held but its program runs: that program
        // has only just made it and is about to hold it.
        const int fd = OpenAndHold(entry.filePath());
        if (fd < 0) {
            continue;
        }
        if (!ProcessRuns(name.captured(1).toLongLong())) {
            std::error_code ignored;
            removed += std::filesystem::remove_all(ToFsPath(entry.filePath()), ignored) > 0 ? 1 : 0;
        }
        close(fd);
    }
    return removed;
}

}  // namespace echodelve::platform

#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

// Paths between Qt's text and the file system, converted in one place.
namespace echodelve::platform {

// A folder and a name with exactly one "/" between them; "/" itself already
// ends with one.
inline QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A path as the file system names it (its own encoding of the name's bytes).
inline std::filesystem::path ToFsPath(const QString& path) {
    return {QFile::encodeName(path).toStdString()};
}

// A path from the file system, for showing and for Qt's own file classes.
inline QString FromFsPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// An interface sound: in "data" beside the program, or else in the data
// folder the program was installed with.
QString InterfaceSoundPath(const QString& programFolder, const QString& name);

}  // namespace echodelve::platform

#pragma once

#include <QString>

namespace echodelve::platform {

// Where the scratch folders of every running copy of the program lie:
// "echodelve" in the user's runtime folder ($XDG_RUNTIME_DIR), or in the
// user's cache folder ($XDG_CACHE_HOME, else ~/.cache) where there is no
// usable runtime folder (unset, empty, relative or missing).
QString ScratchBase();

// A scratch folder of one running program's own, inside a base folder shared
// by every copy: made when first needed under a name no other copy uses
// ("<process id>-" and six random characters) and held, a lock on the folder
// itself, for as long as this object (the program) lives. Another copy never
// touches a held folder; the lock of a program that was killed goes with it,
// so RemoveAbandonedScratchFolders can tell its folder from a live one.
class ScratchFolder {
  public:
    explicit ScratchFolder(QString base = ScratchBase());
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, made (base included) and held if it is not there, also
    // when it was removed since; empty when it cannot be made.
    QString Prepare();
    // The folder made last, or empty before the first Prepare.
    const QString& Path() const { return path_; }
    const QString& Base() const { return base_; }

  private:
    void Release();

    QString base_;
    QString path_;
    int hold_ = -1;  // the folder, open and locked while held
};

// Removes from `base`, with everything in them, the scratch folders that no
// running program holds (left by a program that was killed); names that are
// not scratch folders' are left alone, and so is anything that is not a
// folder. Returns how many it removed. Failures are ignored.
int RemoveAbandonedScratchFolders(const QString& base = ScratchBase());

}  // namespace echodelve::platform

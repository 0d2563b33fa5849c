#pragma once

#include <QListWidget>

namespace echodelve::ui {

// A classic folder chooser: the chain of folders from the volume's root down
// to the current folder, then the current folder's sub-folders (sorted
// ignoring case, hidden ones left out). A double-click or Enter opens a folder.
class FolderPicker : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderPicker(QWidget* parent);

    QString Path() const { return path_; }
    // Opens `folder`. Throws std::runtime_error with the system's description
    // when it cannot be read, leaving the list as it was. Raises Change.
    void SetPath(const QString& folder);
    // Reads the current folder again.
    void Refresh();

  signals:
    void Change();
    // A folder picked in the list could not be opened.
    void OpenFailed(const QString& description);
    // Any mouse button pressed on the list, with the pointer's screen position.
    void MouseDown(Qt::MouseButton button, QPoint globalPosition);

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Fill(const QString& folder, const QStringList& subfolders);

    QString path_;
};

}  // namespace echodelve::ui

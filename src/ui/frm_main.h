#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QWidget>

#include "ui/click_label.h"
#include "ui/glyph_label.h"
#include "ui/panel.h"

namespace echodelve::ui {

// The main window: borderless, with its own title row and glyph buttons, the
// sound-list panel and the browse panel, both starting out of view at the
// right. It also carries the program's state between commands.
class frmMain : public QWidget {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);

    // Program state.
    void SetOpenProcedure(const QString& procedure) { OpenProcedure = procedure; }
    void Setfileissfx() { fileissfx = true; }
    void setfileiswad() { fileissfx = false; }
    bool Getfileissfx() const { return fileissfx; }

    QString OpenProcedure;
    bool fileissfx = false;
    bool MainDlgShown = false;

    // Where both panels rest out of view and where they slide in to, in the
    // window's own horizontal units.
    static constexpr double kPanelOut = 350;
    static constexpr double kPanelIn = 20;

    // Title row and status line.
    QLabel* title;
    GlyphLabel* mnulabel;
    GlyphLabel* Label3;
    GlyphLabel* Label2;
    QLabel* Status;

    // The sound-list panel.
    Panel* MainPicBox;
    QLabel* lblName;
    QLabel* lblSize;
    QTreeWidget* Port;
    QCheckBox* loopsnd;
    ClickLabel* Label5;

    // The browse panel.
    Panel* BrowseDlg;
    Panel* FileListBox;
    QListWidget* FileList;
    Panel* DirListBox;
    QListWidget* DirList;
    Panel* DriveListBox;
    QComboBox* DriveList;
    QLabel* BrowseStatus;
    QCheckBox* opendir;
    ClickLabel* Label1;
    ClickLabel* Label4;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildMainPanel();
    void BuildBrowsePanel();

    QImage picture_;
};

}  // namespace echodelve::ui

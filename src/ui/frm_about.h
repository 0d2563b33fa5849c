#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace echodelve::ui {

// The About window, shown modally over the main window.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* owner);

    QLabel* Image1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Command1;

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace echodelve::ui

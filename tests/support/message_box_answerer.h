#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <deque>
#include <vector>

namespace echodelve::test {

// Answers the program's real message boxes as they come up: each modal box is
// recorded, then its button for the next queued answer is pressed (OK, or No,
// once the queue is empty).
class MessageBoxAnswerer : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    explicit MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {})
        : answers_(std::move(answers)) {
        connect(&timer_, &QTimer::timeout, this, &MessageBoxAnswerer::Poll);
        timer_.start(5);
    }

    std::vector<Seen> seen;

  private:
    void Poll();

    std::deque<QMessageBox::StandardButton> answers_;
    QTimer timer_;
};

}  // namespace echodelve::test

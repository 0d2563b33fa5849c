#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <deque>
#include <vector>

namespace echodelve::test {

// Answers the program's real modal windows as they come up. A message box is
// recorded, then its button for the next queued answer is pressed (OK, or No,
// once the queue is empty). An input box gets the next queued text and OK
// (Cancel once none is left). Any other dialog is recorded by object name and
// accepted.
class MessageBoxAnswerer : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        Qt::TextFormat format;  // a name or path in the text must never be read as markup
    };

    explicit MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {},
                                std::deque<QString> inputs = {})
        : answers_(std::move(answers)), inputs_(std::move(inputs)) {
        connect(&timer_, &QTimer::timeout, this, &MessageBoxAnswerer::Poll);
        timer_.start(5);
    }

    std::vector<Seen> seen;
    std::vector<QString> dialogs;  // titles of input boxes, object names of other dialogs

  private:
    void Poll();

    std::deque<QMessageBox::StandardButton> answers_;
    std::deque<QString> inputs_;
    QTimer timer_;
};

}  // namespace echodelve::test

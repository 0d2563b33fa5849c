#pragma once

#include <deque>
#include <string>
#include <vector>

#include "formats/ui_hooks.h"

namespace echodelve::test {

// Keeps what the library asked of the user and answers questions from a queue
// (No once the queue is empty).
class RecordingHooks : public UiHooks {
  public:
    struct Message {
        std::string title;
        std::string text;
    };

    void PumpEvents() override { ++pumps; }
    void ShowWarning(std::string_view title, std::string_view text) override {
        warnings.push_back({std::string(title), std::string(text)});
    }
    bool AskYesNo(std::string_view title, std::string_view text) override {
        questions.push_back({std::string(title), std::string(text)});
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int pumps = 0;
    std::vector<Message> warnings;
    std::vector<Message> questions;
    std::deque<bool> answers;
};

}  // namespace echodelve::test

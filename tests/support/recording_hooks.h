#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "formats/sound_catalogue.h"
#include "formats/ui_hooks.h"

namespace echodelve::test {

// Keeps what the library asked of the user and answers questions from a queue
// (no once the queue is empty).
class RecordingHooks : public UiHooks {
  public:
    struct Question {
        std::int64_t number;
        std::string name;
        std::filesystem::path archive;
    };

    void PumpEvents() override { ++pumps; }
    bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override {
        questions.push_back({sound.number, sound.entry.name, sound.archive});
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int pumps = 0;
    std::vector<Question> questions;
    std::deque<bool> answers;
};

}  // namespace echodelve::test

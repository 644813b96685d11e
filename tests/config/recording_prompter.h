#pragma once

#include <string>
#include <vector>

#include "core/app/prompter.h"

namespace quorvane::test {

class RecordingPrompter : public Prompter {
  public:
    void showMessage(std::u16string_view text) override { messages.emplace_back(text); }
    bool askYesNo(std::u16string_view text) override {
        questions.emplace_back(text);
        return answer;
    }
    Answer ask(std::u16string_view text) override {
        questions.emplace_back(text);
        if (unanswered) {
            return Answer::Unanswered;
        }
        return answer ? Answer::Yes : Answer::No;
    }
    std::vector<std::u16string> messages;
    std::vector<std::u16string> questions;
    bool answer = true;
    bool unanswered = false;  // ask() returns as when the program closes with the question open
};

}  // namespace quorvane::test

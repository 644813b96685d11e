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
    std::vector<std::u16string> messages;
    std::vector<std::u16string> questions;
    bool answer = true;
};

}  // namespace quorvane::test

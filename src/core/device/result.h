// A result code with where it arose, for telling a person what failed. The
// code is the integer the operation returns (core/device/device_result.h,
// core/sync/sync_result.h) and callers still act on the integers; the
// context grows as the result travels up, each layer putting its own step in
// front: "import a.fwc: write key table of profile 3, piece 4 of 7".
#pragma once

#include <string>
#include <string_view>

#include "core/device/device_result.h"

namespace quorvane {

class Result {
  public:
    Result() = default;  // done
    explicit Result(int code, std::string context = {})
        : m_code(code), m_context(std::move(context)) {}

    int code() const { return m_code; }
    bool ok() const { return m_code == kResultDone; }
    // Where, outermost step first; empty when nobody said.
    const std::string& context() const { return m_context; }

    // Puts `where` in front of the context, "where: context".
    Result& prefix(std::string_view where);

    bool operator==(const Result&) const = default;

  private:
    int m_code = kResultDone;
    std::string m_context;
};

// Words for the device link's codes; empty for any other code.
std::string deviceResultWords(int code);

}  // namespace quorvane

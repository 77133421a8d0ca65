#pragma once
// A step that may fail, answered rather than thrown: the value, or the failure in the words a
// StepError would carry. The way of a received value hands its failures on as effects and must
// not throw; the handlers the technician starts may turn a result back into a StepError.
#include <optional>
#include <string>
#include <utility>

#include "numbers/step_error.h"

namespace zelmar {

template <class T>
class [[nodiscard]] StepResult {
  public:
    // A step that went through; implicit, so that a step returns its value as it stands.
    StepResult(T value) : value_(std::move(value)) {}
    static StepResult Failed(std::string failure) {
        StepResult result;
        result.failure_ = std::move(failure);
        return result;
    }

    bool ok() const { return !failure_; }
    // Once ok().
    const T& value() const { return value_; }
    // What the technician is told, unless ok().
    const std::string& failure() const { return *failure_; }
    // For the callers that go on by exceptions.
    T ValueOrThrow() const {
        if (failure_) throw StepError(*failure_);
        return value_;
    }

  private:
    StepResult() = default;

    T value_{};
    // Held only by a failure, so that a step that goes through costs no text.
    std::optional<std::string> failure_;
};

// A step that gives nothing back but whether it went through.
template <>
class [[nodiscard]] StepResult<void> {
  public:
    StepResult() = default;
    static StepResult Failed(std::string failure) {
        StepResult result;
        result.failure_ = std::move(failure);
        return result;
    }

    bool ok() const { return !failure_; }
    const std::string& failure() const { return *failure_; }
    void ThrowIfFailed() const {
        if (failure_) throw StepError(*failure_);
    }

  private:
    std::optional<std::string> failure_;
};

}  // namespace zelmar

#pragma once
// Every line the terminal pane was given in this session, kept in a temporary file rather than
// in memory: the pane keeps only its last 16000 characters, and a day's polling must not grow
// the program. Bounded, so that a line left polling for weeks cannot fill the disk either.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace zelmar {

class TrafficRecord {
  public:
    static constexpr std::size_t kLimit = 64u << 20;  // about two months of polls at 1200 baud

    TrafficRecord();
    ~TrafficRecord();
    TrafficRecord(const TrafficRecord&) = delete;
    TrafficRecord& operator=(const TrafficRecord&) = delete;

    void Append(std::string_view text);
    void Clear();
    // Everything recorded, with a last line saying so when the limit cut the record short.
    std::string Contents() const;
    std::size_t Size() const { return size_; }

  private:
    std::FILE* file_;
    std::size_t size_ = 0;
    bool full_ = false;
};

}  // namespace zelmar

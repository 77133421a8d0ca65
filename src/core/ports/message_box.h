#pragma once
// Modal message boxes. The window shows every box through this, so tests record them.
#include <string>

namespace zelmar {

enum class MessageIcon { None, Exclamation };

struct Message {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::string caption;
    friend bool operator==(const Message&, const Message&) = default;
};

class MessageBox {
  public:
    virtual ~MessageBox() = default;
    // Returns when the user has dismissed the box (one OK button).
    virtual void Show(const Message& message) = 0;
};

}  // namespace zelmar

// A form's message table as a value: what a tool's run reads as "message n of the form's table".
// Runs get their own copy when they start, so no other window's table can be swapped in under
// them while they yield to events.
//
//   core::MessageTable msg({"Nothing to do.", "Renamed: "});
//   msg(2);   // "Renamed: "
//   msg(7);   // "" (no such message)
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace core {

class MessageTable {
 public:
  MessageTable() = default;
  // messages[0] becomes message 1.
  explicit MessageTable(std::vector<std::string> messages) : messages_(std::move(messages)) {}

  // Message n (numbered from 1); "" for any n the table does not hold.
  [[nodiscard]] const std::string& operator()(int n) const {
    static const std::string kNone;
    return n >= 1 && static_cast<std::size_t>(n) <= messages_.size() ? messages_[static_cast<std::size_t>(n) - 1]
                                                                     : kNone;
  }
  // Number of messages (the highest n with a text).
  [[nodiscard]] int size() const { return static_cast<int>(messages_.size()); }
  [[nodiscard]] bool empty() const { return messages_.empty(); }

 private:
  std::vector<std::string> messages_;
};

}  // namespace core

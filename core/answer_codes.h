// Answer codes of the message box's respond, shared by the windows' host and the runs' host.
#pragma once

namespace core {

enum RespondAnswer : int {
  kAnswerSuppressed = 0,  // the don't-ask-again setting suppressed the box
  kAnswerFirst = 1,       // first button of the three-button styles ("OAC", "YNC")
  kAnswerSecond = 2,      // second button of the three-button styles
  kAnswerYes = 6,         // Yes or OK
  kAnswerNo = 7,          // No or Cancel
};

}  // namespace core

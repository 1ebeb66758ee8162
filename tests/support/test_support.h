// Helpers shared by the unit test programs.
#pragma once

#include <string>
#include <vector>

#include "scratch.h"

// The build's bin folder (where the stand-in DLLs are) as a Windows path with a
// trailing backslash, from TORNEL_BIN that the test runner sets.
std::string BuildBinFolder();

// Records the texts of the message boxes the program would show, instead of showing
// them, while it lives. The localization is loaded with each key of the program's
// string table as its own text (test programs that link res/strings.rc), so a box
// reads as its key: an engine time-out shows "MsgTimeOut".
class ShownMessages {
public:
    ShownMessages();
    ~ShownMessages();
    ShownMessages(const ShownMessages&) = delete;
    ShownMessages& operator=(const ShownMessages&) = delete;
    // The texts shown since the last call, in order.
    std::vector<std::string> Take();
};

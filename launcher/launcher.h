// Vipu32: opens a document with its associated program, or runs fallback command lines, in the
// window mode its fourth argument names; without arguments it greets the user.
#pragma once

#include <string>

#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/program_start.h"

namespace discsetup {

// The main block: the launch request when there is at least one argument, else the greeting.
// Returns the exit status: 0, or 1 when the greeting cannot be shown.
int RunLauncher(Process& process, ProgramStart& program_start, MessageBoxes& message_boxes);

// "MIN" 7, "MAX" 3, "HIDE" 0 after upper-casing the ASCII letters; anything else 1.
int ShowModeForKeyword(const std::string& keyword);

// Asks the associated-program lookup for argument 1 and opens it, or runs argument 3 and, when
// that cannot be started, argument 2.
void LaunchRequest(Process& process, ProgramStart& program_start);

// The question box until the answer is Yes, then the closing box. False when a box cannot be
// shown at all, which would otherwise repeat the question for ever.
bool Greeting(MessageBoxes& message_boxes);

}  // namespace discsetup

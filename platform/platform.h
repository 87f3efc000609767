// The system's own services for a program's main: the real ones of the backend CMake picked,
// each traced to standard error when DISCSETUP_TRACE=1.
#pragma once

#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/program_start.h"
#include "platform/registry.h"

namespace discsetup {

struct Platform {
  Process& process;
  Registry& registry;
  ProgramStart& program_start;
  MessageBoxes& message_boxes;
};

Platform& SystemPlatform();

// Defined by each backend. Creating them does no work: the registry store, for one, is opened
// when the first call needs it.
Process& SystemProcess();
Registry& SystemRegistry();
ProgramStart& SystemProgramStart();
MessageBoxes& SystemMessageBoxes();

}  // namespace discsetup

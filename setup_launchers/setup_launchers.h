// KELO32 and Kupla32: each builds one fixed path from its own path and sends one start request.
#pragma once

#include "platform/process.h"
#include "platform/program_start.h"

namespace discsetup {

// Asks the shell to "Install" KELO\RNAPLUS.INF beside the program, in that folder, hidden.
void RunDialUpToolSetup(Process& process, ProgramStart& program_start);

// Runs ORVO\Verkkis\Ohjelmat\Kupla\IE4Setup.exe below the root of the program's own path, in a
// normal window.
void RunBrowserSetup(Process& process, ProgramStart& program_start);

}  // namespace discsetup

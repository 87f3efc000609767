// Program start on POSIX: Windows' three start functions over the registry's associations, the
// prefix's drives and posix_spawn. SystemProgramStart() is the one over the system's store; tests
// make their own over another registry, prefix and tool search path.
#pragma once

#include <memory>
#include <string>

#include "platform/program_start.h"
#include "platform/registry.h"

namespace discsetup {

struct PosixStartSettings {
  // The prefix whose dosdevices map the DOS paths; empty: PrefixFolder() at each call.
  std::string prefix;
  // Folders, as in PATH, where `wine`, `xdg-mime`, `xdg-open` and programs named without a path
  // are looked for; empty: $PATH at each call.
  std::string search_path;
};

// A program start whose associations come from `registry`, which must outlive it. The registry
// should be an untraced one: its look-ups are the substitute's own, not the program's.
//
// Beyond the contract of ProgramStart:
// - DOS paths map through the prefix's drives (DosToUnixPath); "." and ".." resolve as on Windows.
// - A program is a native executable (ELF, or a "#!" script, with its run bit), started itself,
//   or a Windows program (a file that begins with "MZ"), started through `wine` and given to
//   Wine's `start` with /max or /min when the show mode asks for it; 11 without `wine`. Any other
//   file is no program: 11.
// - Started programs get the arguments as a Windows program's run-time library splits them, and
//   are never waited for; no zombie is left behind, whether the caller lives on or not.
// - ShellExecuteVerb with a null or "open" verb on a file without an association hands it to
//   `xdg-open` when `xdg-mime` names a default application for its type.
std::unique_ptr<ProgramStart> MakePosixProgramStart(Registry& registry,
                                                    PosixStartSettings settings);

}  // namespace discsetup

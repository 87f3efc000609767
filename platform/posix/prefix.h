// The prefix: the one folder where the POSIX platform keeps the registry store and the drive
// letters.
#pragma once

#include <string>
#include <vector>

#include "platform/dos_path.h"

namespace discsetup {

// $DISCSETUP_PREFIX, else $XDG_DATA_HOME/discsetup, else ~/.local/share/discsetup.
std::string PrefixFolder();

// Creates the prefix (and its parents) with mode 0700 when missing. False, with the cause in
// *error, when it cannot be made.
bool MakePrefixFolder(const std::string& prefix, std::string* error);

// The drives of <prefix>/dosdevices: each link "x:" to a folder, resolved to its real path; "z:"
// is "/" unless a link names it.
std::vector<Drive> ReadDrives(const std::string& prefix);

}  // namespace discsetup

#include "setup_launchers/setup_launchers.h"

#include "platform/args.h"
#include "platform/short_string.h"
#include "platform/show_mode.h"

namespace discsetup {

void RunDialUpToolSetup(Process& process, ProgramStart& program_start) {
  const std::string folder =
      ProgramDirectory(process.OwnPath(),
                       [&process](unsigned char byte) { return process.IsLeadByte(byte); }) +
      "KELO\\";
  const std::string file = SystemText(folder + "RNAPLUS.INF");
  const std::string directory = SystemText(folder);
  program_start.ShellExecuteVerb(0, "Install", file.c_str(), nullptr, directory.c_str(), kSwHide);
}

void RunBrowserSetup(Process& process, ProgramStart& program_start) {
  // Only the first backslash counts: the root of a lettered drive, or the lone leading backslash
  // of a share path. Nothing beyond the first 255 bytes of the own path is looked at.
  ShortString root(process.OwnPath());
  const std::size_t backslash = root.Text().find('\\');
  root.Truncate(backslash == std::string::npos ? 0 : backslash + 1);
  const std::string command_line =
      SystemText(root.Text() + "ORVO\\Verkkis\\Ohjelmat\\Kupla\\IE4Setup.exe");
  program_start.RunCommandLine(command_line.c_str(), kSwShowNormal);
}

}  // namespace discsetup

#include "launcher/launcher.h"

#include "platform/args.h"
#include "platform/ascii.h"
#include "platform/short_string.h"
#include "platform/show_mode.h"

namespace discsetup {

int RunLauncher(Process& process, ProgramStart& program_start, MessageBoxes& message_boxes) {
  if (CommandLineArgumentCount(process.CommandLine()) >= 1) {
    LaunchRequest(process, program_start);
    return 0;
  }
  if (Greeting(message_boxes)) return 0;
  process.WriteStderr("Vipu32: the greeting cannot be shown: no display or terminal to ask on\n");
  return 1;
}

int ShowModeForKeyword(const std::string& keyword) {
  const std::string upper = UpperAscii(ShortString(keyword).Text());
  if (upper == "MIN") return kSwShowMinNoActive;
  if (upper == "MAX") return kSwShowMaximized;
  if (upper == "HIDE") return kSwHide;
  return kSwShowNormal;
}

void LaunchRequest(Process& process, ProgramStart& program_start) {
  const std::string command_line = process.CommandLine();
  const int show = ShowModeForKeyword(CommandLineArgument(command_line, 4));
  const std::string first_fallback = SystemText(CommandLineArgument(command_line, 3));
  const std::string document = SystemText(CommandLineArgument(command_line, 1));

  char associated_program[kMaxPath] = {};
  if (program_start.FindExecutableFor(document.c_str(), "", associated_program) > 32) {
    program_start.ShellExecuteVerb(0, nullptr, document.c_str(), nullptr, "", show);
    return;
  }
  if (program_start.RunCommandLine(first_fallback.c_str(), show) > 32) return;
  const std::string second_fallback = SystemText(CommandLineArgument(command_line, 2));
  program_start.RunCommandLine(second_fallback.c_str(), show);
}

bool Greeting(MessageBoxes& message_boxes) {
  for (;;) {
    const int answer =
        message_boxes.Show(0, "Onko Vekkula paras lehti?", "Zippidii!", kMbYesNo | kMbIconQuestion);
    if (answer == kIdYes) break;
    if (answer == 0) return false;
  }
  message_boxes.Show(0, "Niin on. Noudata siis lehden ohjeita!", "Wiih!",
                     kMbOk | kMbIconInformation);
  return true;
}

}  // namespace discsetup

#!/usr/bin/env bash
# Vipu32, KELO32 and Kupla32 end to end: BACKEND=posix|wine RESULTS=folder tests/e2e/launchers.sh
source "$(dirname "$0")/harness.sh"

# What the stand-in was given: its arguments, whichever way the backend records them.
given() {
  if [ "$BACKEND" = wine ]; then
    sed -n 's/^cmdline: [^ ]* \{0,1\}//p' <<<"$RECORDED"
  else
    sed -n 's/^arg: //p' <<<"$RECORDED" | paste -sd' ' -
  fi
}
folder() { sed -n 's/^cwd: //p' <<<"$RECORDED"; }
# The DOS path of a folder on the disc, as the started program sees its working folder.
disc_folder() {
  if [ "$BACKEND" = wine ]; then echo "D:\\$1"; else echo "$DISC/${1//\\//}"; fi
}

scenario vipu_opens_a_registered_document
mkdir -p "$DISC/docs" && echo sample >"$DISC/docs/sample.qtq"
run Tolvi32 qtq SampleClass "Sample document"
run Vipu32 'D:\docs\sample.qtq' 'D:\nothere2.exe' 'D:\nothere1.exe' max
expect "exit status" "$RC" 0
expect "open request" "$TRACE" $'FindExecutableA("D:\\\\docs\\\\sample.qtq", "") = 33\nShellExecuteA(0, NULL, "D:\\\\docs\\\\sample.qtq", NULL, "", 3) = 33'
wait_record
expect "installer got the document" "$(given)" 'D:\docs\sample.qtq'

scenario vipu_runs_the_first_fallback
echo x >"$DISC/plain.zzz"
run Vipu32 'D:\plain.zzz' 'D:\nothere.exe' 'D:\SETUP\Kokoaa32.exe first a;b $(echo hi) |c' MIN
expect "exit status" "$RC" 0
expect "lookup, then the first fallback" "$TRACE" $'FindExecutableA("D:\\\\plain.zzz", "") = 31\nWinExec("D:\\\\SETUP\\\\Kokoaa32.exe first a;b $(echo hi) |c", 7) = 33'
wait_record
expect "plain bytes reach the program" "$(given)" 'first a;b $(echo hi) |c'

scenario vipu_runs_the_second_fallback
run Vipu32 'D:\missing.qtq' 'D:\SETUP\Kokoaa32.exe second' 'D:\nothere.exe' hide
expect "both fallbacks" "$TRACE" $'FindExecutableA("D:\\\\missing.qtq", "") = 2\nWinExec("D:\\\\nothere.exe", 0) = 2\nWinExec("D:\\\\SETUP\\\\Kokoaa32.exe second", 0) = 33'
wait_record
expect "second fallback ran" "$(given)" 'second'

scenario vipu_when_nothing_can_start
run Vipu32 'D:\missing.qtq'
expect "exit status" "$RC" 0
expect "empty fallbacks are sent" "$TRACE" $'FindExecutableA("D:\\\\missing.qtq", "") = 2\nWinExec("", 1) = 2\nWinExec("", 1) = 2'
expect "silent" "$OUT" ""

scenario kelo_installs_the_inf_file
mkdir -p "$DISC/SETUP/KELO" && echo '[Version]' >"$DISC/SETUP/KELO/RNAPLUS.INF"
reg_add 'HKCR\.INF' /ve /d discsetup.inf
reg_add 'HKCR\discsetup.inf\shell\Install\command' /ve /d 'D:\SETUP\Kokoaa32.exe install %1'
run KELO32 ignored arguments
expect "exit status" "$RC" 0
expect "install request" "$TRACE" 'ShellExecuteA(0, "Install", "D:\\SETUP\\KELO\\RNAPLUS.INF", NULL, "D:\\SETUP\\KELO\\", 0) = 33'
wait_record
expect "verb's command ran" "$(given)" 'install D:\SETUP\KELO\RNAPLUS.INF'
expect "in the KELO folder" "$(folder)" "$(disc_folder 'SETUP\KELO')"

scenario kelo_without_its_folder
run KELO32
expect "exit status" "$RC" 0
expect "request fails quietly" "$TRACE" 'ShellExecuteA(0, "Install", "D:\\SETUP\\KELO\\RNAPLUS.INF", NULL, "D:\\SETUP\\KELO\\", 0) = 2'
expect "silent" "$OUT" ""

scenario kupla_starts_the_browser_setup
mkdir -p "$DISC/ORVO/Verkkis/Ohjelmat/Kupla"
cp "$DISC/SETUP/Kokoaa32.exe" "$DISC/ORVO/Verkkis/Ohjelmat/Kupla/IE4Setup.exe"
run Kupla32
expect "exit status" "$RC" 0
expect "setup request" "$TRACE" 'WinExec("D:\\ORVO\\Verkkis\\Ohjelmat\\Kupla\\IE4Setup.exe", 1) = 33'
wait_record
expect "setup ran without arguments" "$(given)" ''

scenario kupla_without_the_setup
run Kupla32
expect "exit status" "$RC" 0
expect "request fails quietly" "$TRACE" 'WinExec("D:\\ORVO\\Verkkis\\Ohjelmat\\Kupla\\IE4Setup.exe", 1) = 2'

finish

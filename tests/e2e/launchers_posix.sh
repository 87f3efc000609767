#!/usr/bin/env bash
# The launchers on the POSIX backend only: the terminal prompt, the file system's letter case,
# files that are no programs.
BACKEND=posix
source "$(dirname "$0")/harness.sh"

scenario kupla_finds_folders_in_any_case
mkdir -p "$DISC/orvo/verkkis/OHJELMAT/kupla"
cp "$DISC/SETUP/Kokoaa32.exe" "$DISC/orvo/verkkis/OHJELMAT/kupla/ie4setup.EXE"
run Kupla32
expect "started" "$TRACE" 'WinExec("D:\\ORVO\\Verkkis\\Ohjelmat\\Kupla\\IE4Setup.exe", 1) = 33'
wait_record
expect_contains "the setup ran" "$RECORDED" "program: $DISC/orvo/verkkis/OHJELMAT/kupla/ie4setup.EXE"

scenario a_text_file_is_no_program
echo 'echo never run' >"$DISC/script.exe"
run Vipu32 'D:\missing.qtq' 'D:\script.exe' 'D:\script.exe'
expect "not a program" "$(grep -c 'WinExec("D:\\\\script.exe", 1) = 11' <<<"$TRACE")" 2

scenario launcher_texts_of_any_bytes_and_length
bytes=""
for byte in $(seq 33 255); do
  [ "$byte" -eq 34 ] || bytes+=$(printf "\\x$(printf %02x "$byte")")
done
long=$(head -c 100000 /dev/zero | tr '\0' d)
run Vipu32 "D:\\$long.qtq" "D:\\$bytes" "D:\\SETUP\\Kokoaa32.exe $bytes" max
expect "exit status" "$RC" 0
expect_contains "the whole document looked up" "$TRACE" "FindExecutableA(\"D:\\\\$long.qtq\", \"\") = 2"
wait_record
expect "every byte reached the program" "$(sed -n 's/^arg: //p' <<<"$RECORDED")" "$bytes"

scenario greeting_without_display_or_terminal
DISCSETUP_TRACE=1 env -u DISPLAY -u WAYLAND_DISPLAY setsid -w "$DISC/SETUP/Vipu32" \
  >"$WORK/out" 2>"$WORK/err" </dev/null
expect "exit status" "$?" 1
expect "no box could be shown" "$(grep '^MessageBoxA' "$WORK/err")" \
  'MessageBoxA(0, "Onko Vekkula paras lehti?", "Zippidii!", 36) = 0'
expect "one line says so" "$(grep -vc '^MessageBoxA' "$WORK/err")" 1
expect "nothing on standard output" "$(cat "$WORK/out")" ""

scenario greeting_on_a_terminal
# `script` gives the program a terminal of its own and types the answers into it.
printf 'n\nmaybe\nn\ny\n\n' | DISCSETUP_TRACE=1 env -u DISPLAY -u WAYLAND_DISPLAY \
  script -qec "$DISC/SETUP/Vipu32 2>$WORK/err" /dev/null >"$WORK/out"
expect "exit status" "$?" 0
expect "asked until yes, closed once" "$(grep -o '= [0-9]*$' "$WORK/err" | paste -sd' ')" "= 7 = 7 = 6 = 1"
expect_contains "the question on the terminal" "$(cat "$WORK/out")" "Onko Vekkula paras lehti?"
expect_contains "the closing notice" "$(cat "$WORK/out")" "Niin on. Noudata siis lehden ohjeita!"

finish

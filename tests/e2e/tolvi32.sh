#!/usr/bin/env bash
# Tolvi32 end to end: BACKEND=posix|wine RESULTS=folder tests/e2e/tolvi32.sh
source "$(dirname "$0")/harness.sh"

NAV='HKCU\Software\Netscape\Netscape Navigator'
USAGE=$'Tolvi32.exe tiedostotarkennin rekisteriavain kuvaus'

# A REGEDIT4 file whose viewer key holds the slots given, each "n=data" ("n=dword" for a number).
slots_file() {
  local file=$WORK/slots.reg
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Viewers]\r\n' >"$file"
  local slot
  for slot in "$@"; do
    if [ "${slot#*=}" = dword ]; then
      printf '"TYPE%s"=dword:00000003\r\n' "${slot%%=*}" >>"$file"
    else
      printf '"TYPE%s"="%s"\r\n' "${slot%%=*}" "${slot#*=}" >>"$file"
    fi
  done
  printf '\r\n' >>"$file"
  echo "$file"
}

scenario typical_road
reg_add 'HKCU\Software\Netscape\Netscape Navigator\Viewers' /v TYPE0 /d application/x-other
run Tolvi32 qtq SampleClass "Sample document"
expect "exit status" "$RC" 0
expect "no output" "$OUT" ""
show 'HKCR\.qtq'
expect ".qtq" "$SHOWN" $'\nHKEY_CLASSES_ROOT\\.qtq\n    (Default)    REG_SZ    SampleClass\n'
show 'HKCR\SampleClass\shell\open\command'
expect "open command" "$SHOWN" $'\nHKEY_CLASSES_ROOT\\SampleClass\\shell\\open\\command\n    (Default)    REG_SZ    D:\\SETUP\\Kokoaa32.exe %1\n'
show 'HKLM\SOFTWARE\Classes\SampleClass'
expect_contains "description" "$SHOWN" $'    (Default)    REG_SZ    Sample document\n'
expect_contains "edit flag" "$SHOWN" $'    EditFlags    REG_BINARY    00000100\n'
show "$NAV"
expect_contains "viewer slot" "$SHOWN" $'    TYPE1    REG_SZ    text/x-qtq\n'
expect_contains "viewer path" "$SHOWN" $'    text/x-qtq    REG_SZ    d:\\setup\\kokoaa32.exe\n'
expect_contains "suffix" "$SHOWN" $'Suffixes\n    text/x-qtq    REG_SZ    qtq\n'
# A second run finds the suffix and adds nothing.
run Tolvi32 QTQ SampleClass "Sample document"
show "$NAV"
expect "no second slot" "$(grep -c 'text/x-qtq$' <<<"$SHOWN")" 1

scenario no_arguments
run Tolvi32
expect "exit status" "$RC" 0
expect "nothing written or traced" "$OUT$TRACE" ""

scenario usage_line
run Tolvi32 '/?' Cls
expect "usage" "$OUT" "$USAGE"$'\n'
expect "exit status" "$RC" 0
expect "no registry call" "$TRACE" ""

scenario extension_only
run Tolvi32 qtq
show 'HKCR\qtq_key'
expect "made-up class key, empty description" "$SHOWN" $'\nHKEY_CLASSES_ROOT\\qtq_key\n    (Default)    REG_SZ    \n\nHKEY_CLASSES_ROOT\\qtq_key\\shell\n\nHKEY_CLASSES_ROOT\\qtq_key\\shell\\open\n\nHKEY_CLASSES_ROOT\\qtq_key\\shell\\open\\command\n    (Default)    REG_SZ    D:\\SETUP\\Kokoaa32.exe %1\n'
expect_contains "browser registration" "$TRACE" 'RegSetValueExA(hkey1, "TYPE0", 0, 1, "text/x-qtq\x00", 11) = 0'

scenario empty_pair_holds_no_place
run Tolvi32 qtq "" "Sample document"
show 'HKCR\.qtq'
expect_contains "class key is argument 3" "$SHOWN" 'REG_SZ    Sample document'
show 'HKCR\Sample document'
expect_contains "edit flag" "$SHOWN" 'EditFlags    REG_BINARY    00000100'

scenario dotted_extension
run Tolvi32 .qtq
show 'HKCR\..qtq'
expect_contains "two dots" "$SHOWN" 'REG_SZ    .qtq_key'
show "$NAV"
expect "no browser registration" "$SHOWN" ""

scenario suffix_already_listed
reg_add "$NAV\\Suffixes" /v text/x-qtq /d "qtq,qtx"
run Tolvi32 qtq Cls
show "$NAV\\Viewers"
expect "no slot taken" "$SHOWN" ""
show 'HKLM\SOFTWARE\Classes\Cls'
expect_contains "edit flag still set" "$SHOWN" 'EditFlags    REG_BINARY    00000100'

scenario slot_gap_and_empty_slot
reg_import "$(slots_file 0=a 1= 2=c 4=e)"
run Tolvi32 qtq
show "$NAV\\Viewers"
expect_contains "empty slot 1 taken" "$SHOWN" $'    TYPE1    REG_SZ    text/x-qtq\n'

scenario last_slot
all=()
for n in $(seq 0 1023); do all+=("$n=x/$n"); done
reg_import "$(slots_file "${all[@]}")"
run Tolvi32 qtq
expect "exit status" "$RC" 0
show "$NAV\\Viewers"
expect_contains "slot 1024" "$SHOWN" $'    TYPE1024    REG_SZ    text/x-qtq\n'

scenario all_slots_taken
all+=("1024=x/1024")
reg_import "$(slots_file "${all[@]}")"
run Tolvi32 qtq Cls
expect "exit status" "$RC" 1
expect "abort report" "$OUT" $'Exception EAbort in module Tolvi32.exe at ADDRESS.\nOperation aborted.\n'
expect "1025 probes" "$(grep -c '^RegOpenKeyExA(HKEY_CURRENT_USER, ".*Viewers"' <<<"$TRACE")" 1025
show 'HKLM\SOFTWARE\Classes\Cls'
expect "no edit flag" "$(grep -c EditFlags <<<"$SHOWN")" 0
show "$NAV\\Suffixes"
expect "no suffix" "$SHOWN" ""

scenario number_in_a_slot
reg_import "$(slots_file 0=a 1=b 2=c 3=dword)"
run Tolvi32 qtq Cls
expect "exit status" "$RC" 1
expect "invalid data type" "$OUT" $'Exception ERegistryException in module Tolvi32.exe at ADDRESS.\nInvalid data type for \'TYPE3\'.\n'
show 'HKCR\.qtq'
expect_contains "association records stay" "$SHOWN" 'REG_SZ    Cls'

scenario edit_flag_replaces_any_type
reg_add 'HKLM\SOFTWARE\Classes\Cls' /v EditFlags /t REG_DWORD /d 7
run Tolvi32 txt Cls
show 'HKLM\SOFTWARE\Classes\Cls'
expect_contains "binary flag" "$SHOWN" 'EditFlags    REG_BINARY    00000100'

scenario key_that_cannot_be_created
run Tolvi32 x '\\Cls' Desc
expect "exit status" "$RC" 1
expect "report" "$OUT" $'Exception ERegistryException in module Tolvi32.exe at ADDRESS.\nFailed to create key \\\\Cls.\n'
show 'HKCR\.x'
expect_contains "extension record stays" "$SHOWN" 'REG_SZ    \\Cls'

scenario backslashes_in_names
run Tolvi32 'a\b' '\Cls'
show 'HKCR\.a\b'
expect_contains "extension with a backslash" "$SHOWN" 'REG_SZ    \Cls'
show 'HKCR\Cls\shell\open\command'
expect_contains "one leading backslash dropped" "$SHOWN" 'D:\SETUP\Kokoaa32.exe %1'

scenario program_directory_with_blanks
mkdir -p "$DISC/MY Setup"
cp "$BIN/Tolvi32$EXE" "$DISC/MY Setup/"
run_path "$DISC/MY Setup/Tolvi32$EXE" qtq Cls
show 'HKCR\Cls\shell\open\command'
expect_contains "no quotes" "$SHOWN" 'REG_SZ    D:\MY Setup\Kokoaa32.exe %1'
show "$NAV\\Viewers"
expect_contains "lower-case viewer" "$SHOWN" 'REG_SZ    d:\my setup\kokoaa32.exe'

finish

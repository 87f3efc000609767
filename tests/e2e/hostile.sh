#!/usr/bin/env bash
# Hostile input, the same table on both backends: each case gives the same result on both, and
# none crashes, hangs or starts anything but the program named.
#   BACKEND=posix|wine RESULTS=folder tests/e2e/hostile.sh
source "$(dirname "$0")/harness.sh"

# A run ends with status 0, or 1 with a failure report: anything else is a crash.
orderly() {
  case "$RC" in
    0) expect "$1: nothing on standard output" "$OUT" "" ;;
    1) expect_contains "$1: a failure report" "$OUT" "Exception ERegistryException in module" ;;
    *) fail "$1: exit status $RC" ;;
  esac
}

scenario registrar_hostile_arguments
run Tolvi32 'qtq "Sample document'
orderly "unbalanced quote"
run Tolvi32 $'\t' ' ' $'\t \t'
orderly "only separators"
run Tolvi32 'a\\\\b\\' '\\\\Cls\\\\' 'x'
orderly "backslash runs"
run Tolvi32 'x;rm -rf /' '$(touch pwned)' '`touch pwned` | tee pwned > pwned'
orderly "shell metacharacters"
expect "nothing was run" "$(ls "$DISC" "$DISC/SETUP" | grep -c pwned)" 0
show 'HKCR\.x;rm -rf '
show 'HKCR\$(touch pwned)'

scenario launcher_documents_with_odd_names
mkdir -p "$DISC/docs"
echo a >"$DISC/docs/my sample.qtq"
echo b >"$DISC/docs/new"$'\n'"line.qtq"
run Tolvi32 qtq SampleClass
run Vipu32 'D:\docs\my sample.qtq'
orderly "blanks"
wait_record
expect "document with blanks opened" "$(grep -c 'my' <<<"$RECORDED")" 1
run Vipu32 'D:\docs\new'$'\n''line.qtq' 'D:\SETUP\Kokoaa32.exe second' 'D:\SETUP\Kokoaa32.exe first'
orderly "newline"
wait_record
run Vipu32 'D:\docs\"quoted".qtq'
orderly "quotes"

scenario launcher_command_lines_run_only_the_program_named
run Vipu32 'D:\none.zzz' 'D:\SETUP\Kokoaa32.exe x' 'D:\SETUP\Kokoaa32.exe a && touch pwned ; touch pwned | tee pwned > pwned $(touch pwned) `touch pwned`'
orderly "metacharacters"
wait_record
expect "only the stand-in ran" "$(ls "$DISC" "$DISC/SETUP" /tmp 2>/dev/null | grep -c '^pwned$')" 0
run Vipu32 'D:\none.zzz' 'D:\SETUP\Kokoaa32.exe second' '"D:\SETUP\Kokoaa32.exe'
orderly "unbalanced quote in a command line"
wait_record

finish

#!/usr/bin/env bash
# Tolvi32 on the POSIX backend only: bytes that Wine would re-encode on the way in, arguments
# past Wine's path limits, and the store itself.
BACKEND=posix
source "$(dirname "$0")/harness.sh"

scenario store_opened_only_when_needed
run Tolvi32
run Tolvi32 '/?'
run Kupla32
expect "no store made" "$(ls "$DISCSETUP_PREFIX")" "dosdevices"

scenario every_byte_is_a_name_byte
name=""
for byte in $(seq 33 255); do
  [ "$byte" -eq 34 ] || [ "$byte" -eq 92 ] || name+=$(printf "\\x$(printf %02x "$byte")")
done
run Tolvi32 "$name" Cls
expect "exit status" "$RC" 0
expect_contains "bytes reach the registry as they are" "$TRACE" \
  'RegCreateKeyExA(HKEY_CLASSES_ROOT, ".!#$%&'"'"'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{|}~\x7F\x80\x81'
show "HKCR\\.$name"
expect_contains "and back" "$SHOWN" "REG_SZ    Cls"

scenario control_bytes_separate_arguments
run Tolvi32 $'qtq\x01Cls\x1fDesc'
show 'HKCR\.qtq'
expect_contains "three arguments" "$SHOWN" "REG_SZ    Cls"
show 'HKCR\Cls'
expect_contains "description" "$SHOWN" "REG_SZ    Desc"

scenario component_limits
run Tolvi32 "$(printf 'e%.0s' $(seq 254))" Cls
expect "255-byte key name" "$RC" 0
run Tolvi32 "$(printf 'e%.0s' $(seq 255))" Cls
expect "256-byte key name" "$RC" 1
expect_contains "refused" "$OUT" "Failed to create key .eeee"
run Tolvi32 "$(printf 'f%.0s' $(seq 254))"
expect "made-up class name too long" "$RC" 1
expect_contains "after the extension record" "$OUT" "Failed to create key $(printf 'f%.0s' $(seq 254))_key."

scenario arguments_of_a_hundred_thousand_bytes
long=$(head -c 100000 /dev/zero | tr '\0' x)
run Tolvi32 "$long" "$long" "$long"
expect "exit status" "$RC" 1
expect "report cut at 1024 bytes" "$(head -c 1026 "$WORK/out" | wc -c):$(wc -c <"$WORK/out")" "1026:1026"
expect_contains "whole argument tried" "$TRACE" "RegCreateKeyExA(HKEY_CLASSES_ROOT, \".$long\", 0, NULL, 0, 983103, NULL) = 87"

scenario damaged_store_is_left_alone
mkdir -p "$DISCSETUP_PREFIX"
printf 'not a database, just text\n' >"$DISCSETUP_PREFIX/registry.db"
before=$(sha256sum <"$DISCSETUP_PREFIX/registry.db")
run Tolvi32 qtq Cls Desc
expect "exit status" "$RC" 1
expect "report" "$OUT" $'Exception ERegistryException in module Tolvi32.exe at ADDRESS.\nFailed to create key .qtq.\n'
expect_contains "one line names the store" "$(grep -v '^Reg' <<<"$TRACE")" "$DISCSETUP_PREFIX/registry.db"
expect "file unchanged" "$(sha256sum <"$DISCSETUP_PREFIX/registry.db")" "$before"

finish

#!/bin/sh
# Runs the built reg against scratch prefixes and compares whole outputs.
# Usage: reg_test.sh PATH/TO/reg
set -u
REG=$1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/reg_test.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export DISCSETUP_PREFIX="$WORK/prefix"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect NAME STATUS EXPECTED-STDOUT EXPECTED-STDERR -- ARGS...
expect() {
  name=$1 status=$2 out=$3 err=$4; shift 5
  # setsid: no controlling terminal, as in a script or a pipeline.
  setsid "$REG" "$@" </dev/null >"$WORK/out" 2>"$WORK/err"
  got=$?
  [ "$got" = "$status" ] || fail "$name: status $got, expected $status"
  [ "$(cat "$WORK/out")" = "$out" ] || fail "$name: stdout was [$(cat "$WORK/out")]"
  [ "$(cat "$WORK/err")" = "$err" ] || fail "$name: stderr was [$(cat "$WORK/err")]"
}

OK="The operation completed successfully."
NOTFOUND="ERROR: The system was unable to find the specified registry key or value."

expect "add text" 0 "$OK" "" -- add 'HKCU\Software\T1' /v S /d hello /f
expect "add default" 0 "$OK" "" -- add 'hkcu\software\t1' /ve /d def /f
expect "add binary" 0 "$OK" "" -- add 'HKCU\Software\T1' /v B /t REG_BINARY /d deadBEEF01 /f
expect "add dword hex" 0 "$OK" "" -- add 'HKEY_CURRENT_USER\Software\T1' /v D /t reg_dword /d 0x1aB /f
expect "add dword dec" 0 "$OK" "" -- add 'HKCU\Software\T1' /v D2 /t REG_DWORD /d 255 /f
expect "add expand" 0 "$OK" "" -- add 'HKCU\Software\T1' /v E /t REG_EXPAND_SZ /d '%PATH%\x' /f
expect "add subkey" 0 "$OK" "" -- add 'HKCU\Software\T1\Sub' /v X /d y /f
expect "add key only" 0 "$OK" "" -- add 'HKCU\Software\T1\Sub\Deeper' /f

expect "query" 0 "
HKEY_CURRENT_USER\Software\T1
    (Default)    REG_SZ    def
    B    REG_BINARY    DEADBEEF01
    D    REG_DWORD    0x1ab
    D2    REG_DWORD    0xff
    E    REG_EXPAND_SZ    %PATH%\x
    S    REG_SZ    hello

HKEY_CURRENT_USER\Software\T1\Sub" "" -- query 'HKCU\Software\T1'
expect "query /s" 0 "
HKEY_CURRENT_USER\Software\T1\Sub
    X    REG_SZ    y

HKEY_CURRENT_USER\Software\T1\Sub\Deeper" "" -- query 'HKCU\Software\T1\Sub' /s
expect "query /v" 0 "
HKEY_CURRENT_USER\Software\T1
    S    REG_SZ    hello" "" -- query 'HKCU\Software\T1' /v s
expect "query /ve unset" 0 "
HKEY_CURRENT_USER\Software\T1\Sub
    (Default)    REG_SZ    (value not set)" "" -- query 'HKCU\Software\T1\Sub' /ve
expect "classes view" 0 "$OK" "" -- add 'HKCR\.qtq' /ve /d SampleClass /f
expect "classes view read" 0 "
HKEY_LOCAL_MACHINE\SOFTWARE\CLASSES\.QTQ
    (Default)    REG_SZ    SampleClass" "" -- query 'HKLM\SOFTWARE\CLASSES\.QTQ' /ve

expect "missing key" 1 "" "$NOTFOUND" -- query 'HKCU\Software\Nope'
expect "missing value" 1 "" "$NOTFOUND" -- query 'HKCU\Software\T1' /v nope
expect "bad root" 1 "" "ERROR: Invalid key name." -- query 'HKXX\Software'
expect "both /v and /ve" 1 "" 'ERROR: Invalid syntax. Type "REG QUERY /?" for usage.' -- query 'HKCU\Software\T1' /v S /ve
expect "bad dword" 1 "" "ERROR: The option [/d] must be followed by a valid numeric value" -- add 'HKCU\Software\T1' /v D /t REG_DWORD /d 4294967296 /f
expect "bad type" 1 "" "ERROR: Unsupported registry data type [REG_FOO]" -- add 'HKCU\Software\T1' /v D /t REG_FOO /d 1 /f

# Without /f and without a terminal: refused at once, nothing changed.
REFUSED="ERROR: The operation was canceled by the user, or no terminal was there to ask."
expect "overwrite unasked" 1 "" "$REFUSED" -- add 'HKCU\Software\T1' /v S /d other
expect "delete unasked" 1 "" "$REFUSED" -- delete 'HKCU\Software\T1'
expect "still there" 0 "
HKEY_CURRENT_USER\Software\T1
    S    REG_SZ    hello" "" -- query 'HKCU\Software\T1' /v S
expect "new value needs no question" 0 "$OK" "" -- add 'HKCU\Software\T1' /v New /d x

expect "delete value" 0 "$OK" "" -- delete 'HKCU\Software\T1' /v new /f
expect "delete value again" 1 "" "$NOTFOUND" -- delete 'HKCU\Software\T1' /v new /f
expect "delete tree" 0 "$OK" "" -- delete 'HKCU\Software\T1\Sub' /f
expect "tree gone" 1 "" "$NOTFOUND" -- query 'HKCU\Software\T1\Sub\Deeper'

# REGEDIT4 both ways: a file imported and exported again comes back byte for byte.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Round]\r\n@=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n  18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\r\n  31,32,33\r\n"A much longer value name here"=hex(2):30,31,32,33,34,35,36,37,38,39,30,31,32,\\\r\n  33,34,35,36,37,38,39,00\r\n"d"=dword:0000002a\r\n"hi"="caf\351"\r\n"no nul"=hex(1):61,62\r\n"Q\\"uo\\\\te"="a\\"b\\\\c"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Round\\Child]\r\n"empty"=hex(1):\r\n\r\n' >"$WORK/in.reg"
expect "import" 0 "$OK" "" -- import "$WORK/in.reg"
expect "export" 0 "$OK" "" -- export 'HKCU\Software\Round' "$WORK/out.reg"
cmp -s "$WORK/in.reg" "$WORK/out.reg" || fail "export differs from import: $(od -c "$WORK/out.reg" | head -20)"
expect "export no overwrite" 1 "" "$REFUSED" -- export 'HKCU\Software\Round' "$WORK/out.reg"
expect "export /y" 0 "$OK" "" -- export 'HKCU\Software\Round' "$WORK/out.reg" /y

# Malformed files are refused whole: nothing of them is imported.
for bad in 'no header' 'REGEDIT4\r\n"v"="before any key"\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n"v"="unterminated\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n"v"=hex:0g\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n"v"=hex:01,\\\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n"v"=dword:123456789\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad\r\n' \
    'REGEDIT4\r\n[HKEY_NOWHERE\\Bad]\r\n' \
    'REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\nv=1\r\n'; do
  printf "$bad" >"$WORK/bad.reg"
  setsid "$REG" import "$WORK/bad.reg" </dev/null >/dev/null 2>"$WORK/err"
  [ $? = 1 ] && grep -q '^ERROR: ' "$WORK/err" || fail "malformed file accepted: $bad"
done
expect "nothing imported" 1 "" "$NOTFOUND" -- query 'HKCU\Software\Bad'

# A damaged store: one ERROR line, one line naming the file, and the file left alone.
mkdir -p "$WORK/damaged" && printf 'not a database at all\n' >"$WORK/damaged/registry.db"
DISCSETUP_PREFIX="$WORK/damaged" setsid "$REG" add 'HKCU\Software\X' /v v /d x /f </dev/null >/dev/null 2>"$WORK/err"
[ $? = 1 ] || fail "damaged store: status"
[ "$(wc -l <"$WORK/err")" = 2 ] || fail "damaged store: stderr [$(cat "$WORK/err")]"
grep -q "$WORK/damaged/registry.db" "$WORK/err" || fail "damaged store not named"
grep -q '^ERROR: The configuration registry database is corrupt.$' "$WORK/err" || fail "damaged store: message"
[ "$(cat "$WORK/damaged/registry.db")" = "not a database at all" ] || fail "damaged store changed"

[ $failures = 0 ] && echo "all passed"
exit $((failures != 0))

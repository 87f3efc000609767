# Runs the built programs end to end on one backend, for the scenario files that source it.
#
#   posix: the host build, a scratch prefix per scenario, fixtures and results through our `reg`.
#   wine:  the win64 build under Wine, one prefix per test run whose registry files are put back
#          between scenarios, fixtures and results through Wine's own `reg` and `regedit`.
#
# Each scenario keeps a transcript of what the programs wrote, returned and traced, and what the
# registry holds afterwards, with the differences a backend may show (module name and address in
# failure reports, line ends) normalised, so the two backends' transcripts can be compared line by
# line.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BACKEND=${BACKEND:?set BACKEND to posix or wine}
RESULTS=${RESULTS:?set RESULTS to a folder for transcripts}/$BACKEND
mkdir -p "$RESULTS"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/discsetup-e2e.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
PASSES=0
SCENARIO=""

if [ "$BACKEND" = wine ]; then
  export WINEDEBUG=-all
  export WINEPREFIX=${WINE_TEMPLATE:?set WINE_TEMPLATE to a booted Wine prefix}
  BIN=$ROOT/build/win64/bin
  EXE=.exe
  REG() { wine reg "$@"; }
else
  # DISCSETUP_BIN picks another POSIX build, such as the sanitizers' one.
  BIN=${DISCSETUP_BIN:-$ROOT/build/host/bin}
  EXE=""
  REG() { "$BIN/reg" "$@"; }
fi

# Starts a scenario: a fresh registry and a fresh disc, mapped as drive D:, holding the programs in
# D:\SETUP and the stand-in installer beside them.
scenario() {
  SCENARIO=$1
  TRANSCRIPT=$RESULTS/$SCENARIO
  : >"$TRANSCRIPT"
  DISC=$WORK/disc-$SCENARIO
  mkdir -p "$DISC/SETUP"
  for program in Tolvi32 KELO32 Kupla32 Vipu32; do
    cp "$BIN/$program$EXE" "$DISC/SETUP/"
  done
  # The stand-in installer keeps its Windows name on both backends: the records name it so.
  cp "$BIN/Kokoaa32$EXE" "$DISC/SETUP/Kokoaa32.exe"
  RECORD=$WORK/record-$SCENARIO
  rm -f "$RECORD"
  if [ "$BACKEND" = wine ]; then
    export STAND_IN_RECORD="Z:${RECORD//\//\\}"
  else
    export STAND_IN_RECORD=$RECORD
  fi
  if [ "$BACKEND" = wine ]; then
    wineserver -k 2>/dev/null
    wineserver -w
    cp "$WINE_SAVED"/*.reg "$WINEPREFIX/"
    ln -sfn "$DISC" "$WINEPREFIX/dosdevices/d:"
    # The first process after the server starts hands its pipes on to Wine's background
    # processes; with /dev/null there, later callers that read to the end do not wait on them.
    wine cmd /c exit </dev/null >/dev/null 2>&1
  else
    export DISCSETUP_PREFIX=$WORK/prefix-$SCENARIO
    mkdir -p "$DISCSETUP_PREFIX/dosdevices"
    ln -sfn "$DISC" "$DISCSETUP_PREFIX/dosdevices/d:"
  fi
}

# Whether the running scenario can be run on this backend; prints nothing.
only_on() { [ "$BACKEND" = "$1" ]; }

normalise() {
  sed -e 's/\r$//' -e 's/in module \([A-Za-z0-9]*\)\(\.exe\)\{0,1\} at [0-9A-F]\{8\}/in module \1.exe at ADDRESS/'
}

# run PROGRAM [ARGS...]: runs a program from D:\SETUP with tracing on. Sets OUT (standard output),
# TRACE (standard error) and RC.
run() {
  local program=$1
  shift
  run_path "$DISC/SETUP/$program$EXE" "$@"
}

run_path() {
  local path=$1
  shift
  if [ "$BACKEND" = wine ]; then
    DISCSETUP_TRACE=1 wine "$path" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
  else
    DISCSETUP_TRACE=1 "${path%.exe}" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
  fi
  RC=$?
  OUT=$(normalise <"$WORK/out"; echo x)
  OUT=${OUT%x}
  TRACE=$(normalise <"$WORK/err")
  {
    local name=${path##*/}
    echo "\$ ${name%.exe} $*"
    printf '%s' "$OUT"
    echo "exit $RC"
    printf '%s\n' "$TRACE"
  } >>"$TRANSCRIPT"
}

# show KEY: the key and everything below it, as `reg query KEY /s` prints it. Sets SHOWN.
show() {
  # Wine's reg reports a missing key on standard output: only a found key's listing counts.
  SHOWN=$(REG query "$1" /s 2>/dev/null) && SHOWN=$(normalise <<<"$SHOWN")$'\n' || SHOWN=""
  printf 'reg query %s /s\n%s\n' "$1" "$SHOWN" >>"$TRANSCRIPT"
}

reg_add() { REG add "$@" /f >/dev/null 2>&1 || fail "reg add $*"; }

# Imports a REGEDIT4 file: one call, however many values it holds.
reg_import() {
  if [ "$BACKEND" = wine ]; then
    wine regedit /S "$1" || fail "regedit /S $1"
  else
    REG import "$1" >/dev/null 2>&1 || fail "reg import $1"
  fi
}

# Waits (10 s at most) for the stand-in started by a program to write its record. Sets RECORDED.
wait_record() {
  local tries=0
  while [ ! -s "$RECORD" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  sleep 0.1
  RECORDED=$(sed 's/\r$//' "$RECORD" 2>/dev/null)
  rm -f "$RECORD"
}

fail() {
  echo "FAIL [$BACKEND] $SCENARIO: $*" >&2
  FAILURES=$((FAILURES + 1))
}

expect() {  # expect DESCRIPTION ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then
    PASSES=$((PASSES + 1))
  else
    fail "$1"
    diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | sed 's/^/    /' >&2
  fi
}

expect_contains() {  # expect_contains DESCRIPTION TEXT PIECE
  case "$2" in
    *"$3"*) PASSES=$((PASSES + 1)) ;;
    *) fail "$1: no '$3' in:"; printf '%s\n' "$2" | sed 's/^/    /' >&2 ;;
  esac
}

finish() {
  echo "$BACKEND: $PASSES checks passed, $FAILURES failed"
  [ "$FAILURES" -eq 0 ]
}

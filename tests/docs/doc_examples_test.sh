#!/usr/bin/env bash
# Runs the shell examples of the documents as a reader would type them, against the simulated
# unit, and fails when one no longer works as written, naming the document and the line.
#
#   doc_examples_test.sh VORTELLA_CLI WORK SOURCE_DIR
#
# Every ```sh block of README.md, docs/control-api.md, docs/home-automation.md and
# docs/protocol.md is read; an example is one command as the shell reads it (a pipe, a quote or a
# backslash at the end of a line carries it on to the next lines; comment lines are passed over).
# It passes when it exits with status 0 within a minute (each command of a list, each of a pipe),
# and, for an answer of the control service, when that answer is no error. Each runs in a private
# home: HOME, XDG_RUNTIME_DIR, XDG_CONFIG_HOME and XDG_DATA_HOME lie under WORK, standard input
# is empty and the built vortella-cli comes first on PATH. All run one after another in one
# folder, which holds the files the documents suppose the reader has: a preset (my.Nddt), its
# JSON (settings.json), a filter list (room-filters.txt), a room and a headphone measurement
# (room-measurement.txt, headphones.csv) and a target curve (my_target.txt). There,
# `scripts/run cli ARGS` is `vortella-cli ARGS` (what it runs once it has built the program).
#
# A line right before a block's opening fence may mark the whole block:
#
#   <!-- examples: not run (REASON) -->      the block is not run: it needs the unit, root, a
#                                             package install, systemd, a broker on the network or
#                                             a display; counted as skipped
#   <!-- examples: run with --simulate -->   the block's commands reach the unit, and the README
#                                             says that --simulate stands in for it: each
#                                             vortella-cli of the block runs with --simulate
#
# The marks are in the documents' text, so a reader sees what an example needs and this script
# cannot pass over an example by itself: an unmarked example runs, and a mark it does not know
# fails.
#
# A `vortella-cli ... serve` example is an owner that runs until Ctrl+C: it is started in the
# background and passes when it makes its control socket, is still running a moment later and
# ends with status 0 on SIGINT (`vortella-cli serve` without --simulate owns a plugged-in unit
# for that moment; with none it waits for one). An example that talks to the control socket finds
# an owner there (`vortella-cli --simulate serve`, started for it and kept until the next serve
# example).
# Needs bash, python3 and socat; exits 77 (skipped) when one of them is missing.
set -u
CLI="$1"
WORK="$2"
SOURCE="$3"
DOCUMENTS=(README.md docs/control-api.md docs/home-automation.md docs/protocol.md)

for tool in python3 socat timeout setsid; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
case "$CLI" in /*) ;; *) CLI="$PWD/$CLI" ;; esac
[ -x "$CLI" ] || { echo "FAIL: $CLI is not a program"; exit 1; }

rm -rf "$WORK" && mkdir -p "$WORK"/{bin,home,config,data,cwd/scripts,logs} || exit 1
mkdir -m 700 "$WORK/run" || exit 1
ln -s "$CLI" "$WORK/bin/vortella-cli"
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config" \
  XDG_DATA_HOME="$WORK/data" PATH="$WORK/bin:$PATH" LC_ALL=C.UTF-8
SOCKET="$XDG_RUNTIME_DIR/vortella/control"
cd "$WORK/cwd" || exit 1

cat > scripts/run <<'SH'
#!/usr/bin/env bash
# scripts/run cli ARGS, as it runs once it has built the command-line program.
[ "${1:-}" = cli ] || { echo "scripts/run: only 'cli' is run here" >&2; exit 1; }
shift
exec vortella-cli "$@"
SH
chmod +x scripts/run

# The files the examples name.
vortella-cli --simulate set 0x0105 30 then save my.Nddt > /dev/null 2> "$WORK/logs/fixture.err" ||
  { echo "FAIL: making my.Nddt"; cat "$WORK/logs/fixture.err"; exit 1; }
echo '{"variant":0,"slots":[[1,5,30],[1,6,4]]}' > settings.json
printf '%s\n' 'Filter 1: ON PK Fc 125 Hz Gain -3.0 dB Q 1.00' \
  'Filter 2: ON HS 12dB Fc 8000 Hz Gain 2.5 dB' > room-filters.txt
python3 - <<'PY' || exit 1
import math
freqs = [20 * 1000 ** (i / 59) for i in range(60)]
def bump(f, centre, gain, width):
    return gain * math.exp(-(math.log2(f / centre) / width) ** 2)
with open("room-measurement.txt", "w") as room:
    room.write("* Measurement data measured by a microphone\n* Freq(Hz) SPL(dB) Phase(degrees)\n")
    for f in freqs:
        room.write(f"{f:.3f} {75 + bump(f, 60, 8, 0.5) - bump(f, 2500, 4, 1):.3f} 0.0\n")
with open("headphones.csv", "w") as phones:
    phones.write("frequency,raw\n")
    for f in freqs:
        phones.write(f"{f:.2f},{bump(f, 3000, 6, 0.7) - bump(f, 40, 5, 1.5):.2f}\n")
with open("my_target.txt", "w") as target:
    target.write("# a gentle tilt\n20 4\n200 1\n1000 0\n20000 -3\n")
PY

owner_pid=""
start_owner() {
  [ -n "$owner_pid" ] && kill -0 "$owner_pid" 2> /dev/null && return 0
  vortella-cli --simulate serve < /dev/null > /dev/null 2>> "$WORK/logs/owner.err" &
  owner_pid=$!
  for _ in $(seq 100); do [ -S "$SOCKET" ] && return 0; sleep 0.1; done
  return 1
}
stop_owner() {
  [ -n "$owner_pid" ] || return 0
  kill -INT "$owner_pid" 2> /dev/null
  wait "$owner_pid" 2> /dev/null
  owner_pid=""
}
trap stop_owner EXIT

run=0 passed=0 skipped=0 failures=()
LOG="$WORK/logs/example"

# Runs one example; answers through its status, with what it printed in $LOG.out and $LOG.err.
run_example() {
  local example="$1" pid code
  if grep -Eq '(^|[[:space:]])vortella-cli([[:space:]]+[^|;&#]*)?[[:space:]]serve([[:space:]]|$)' \
    <<< "$example"; then
    stop_owner
    setsid bash -c "$example" < /dev/null > "$LOG.out" 2> "$LOG.err" &
    pid=$!
    for _ in $(seq 100); do
      [ -S "$SOCKET" ] && break
      kill -0 "$pid" 2> /dev/null || break
      sleep 0.1
    done
    sleep 0.5
    if ! kill -0 "$pid" 2> /dev/null; then
      wait "$pid"
      echo "ended by itself with status $?" >> "$LOG.err"
      # What it left running (an owner sent to the background) goes with it.
      kill -KILL -- "-$pid" 2> /dev/null
      return 1
    fi
    [ -S "$SOCKET" ] || echo "(no control socket at $SOCKET)" >> "$LOG.err"
    [ -S "$SOCKET" ] || { kill -KILL -- "-$pid"; wait "$pid"; return 1; }
    kill -INT -- "-$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2> /dev/null; then
      echo "(still running 10 s after SIGINT)" >> "$LOG.err"
      kill -KILL -- "-$pid"
    fi
    wait "$pid"
    code=$?
    [ $code -eq 0 ] || echo "(status $code after SIGINT)" >> "$LOG.err"
    return $code
  fi
  if grep -q 'vortella/control' <<< "$example"; then
    start_owner || { echo "(no owner at $SOCKET)" > "$LOG.err"; return 1; }
    timeout 60 bash -e -o pipefail -c "$example" < /dev/null > "$LOG.out" 2> "$LOG.err" || return 1
    # The owner's answer must be a result, not an error.
    if grep -Eq '"error"|"code": ?-32' "$LOG.out"; then
      echo "(the owner answered an error)" >> "$LOG.err"
      return 1
    fi
    return 0
  fi
  timeout 60 bash -e -o pipefail -c "$example" < /dev/null > "$LOG.out" 2> "$LOG.err"
}

# Prints the examples of one document as records: LINE, MARK and the example, NUL-separated.
examples_of() {
  python3 - "$1" <<'PY'
import re, subprocess, sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\n")
out = sys.stdout.buffer
i = 0
while i < len(lines):
    fence = re.match(r"^(\s*)```sh\s*$", lines[i])
    if not fence:
        i += 1
        continue
    indent = len(fence.group(1))
    mark = ""
    before = lines[i - 1].strip() if i > 0 else ""
    m = re.match(r"^<!-- examples: (.*?) -->$", before)
    if m:
        mark = m.group(1)
    i += 1
    pending, start = [], 0
    while i < len(lines) and not re.match(r"^\s*```\s*$", lines[i]):
        text = lines[i][indent:] if lines[i][:indent].strip() == "" else lines[i]
        if not pending and (text.strip() == "" or text.lstrip().startswith("#")):
            i += 1
            continue
        if not pending:
            start = i + 1
        pending.append(text)
        example = "\n".join(pending)
        done = subprocess.run(["bash", "-n", "-c", example], capture_output=True).returncode == 0
        if done and not re.search(r"(\||\\|&&)\s*(#.*)?$", text):
            out.write(f"{start}\0{mark}\0{example}\0".encode())
            pending = []
        i += 1
    if pending:
        out.write(f"{start}\0{mark}\0{chr(10).join(pending)}\0".encode())
    i += 1
PY
}

for document in "${DOCUMENTS[@]}"; do
  [ -f "$SOURCE/$document" ] || { failures+=("$document: missing"); continue; }
  while IFS= read -r -d '' line && IFS= read -r -d '' mark && IFS= read -r -d '' example; do
    where="$document:$line"
    case "$mark" in
      "not run ("*")")
        skipped=$((skipped + 1))
        echo "skip $where: ${mark#not run }"
        continue ;;
      "run with --simulate")
        simulated='s/(^|[[:space:]])vortella-cli([[:space:]]|$)/\1vortella-cli --simulate\2/g'
        example=$(sed -E "$simulated" <<< "$example") ;;
      "") ;;
      *)
        failures+=("$where: a mark the script does not know: <!-- examples: $mark -->")
        continue ;;
    esac
    run=$((run + 1))
    if run_example "$example"; then
      passed=$((passed + 1))
      echo "ok   $where: ${example%%$'\n'*}"
    else
      failures+=("$where: $(head -1 <<< "$example")")
      echo "FAIL $where: $example"
      sed 's/^/       stderr: /' "$LOG.err" | tail -6
      sed 's/^/       stdout: /' "$LOG.out" | tail -3
    fi
  done < <(examples_of "$SOURCE/$document")
done
stop_owner

echo "examples: $run run, $passed passed, $skipped not run as marked"
if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAIL: %s\n' "${failures[@]}"
  exit 1
fi
[ $run -gt 0 ] || { echo "FAIL: no example found"; exit 1; }
echo "PASS"

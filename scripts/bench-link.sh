#!/usr/bin/env bash
# Times a 1 MiB write and read against vilk-sim, over UDP on 127.0.0.1 and over a
# pseudo-terminal, with the release build of vilkcfg. Reports the time per 128-byte
# segment and, for the serial line, its ratio to the wire time at 57600 bit/s (10 bits a
# byte: a logged-in write segment is 163 + 5 bytes, a read segment 29 + 134 bytes).
#
#   scripts/bench-link.sh            (builds build/release's vilkcfg and vilk-sim first)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build/release}
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j "${JOBS:-2}" --target vilkcfg vilk-sim >/dev/null 2>&1 ||
  cmake --build "$BUILD" -j "${JOBS:-2}" --target vilkcfg vilk-sim
VILKCFG=$BUILD/src/cli/vilkcfg
SIM=$BUILD/src/sim/vilk-sim

WORK=$(mktemp -d)
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/udp" "$WORK/pty"
head -c 1048576 /dev/urandom >"$WORK/big.bin"
SEGMENTS=8192

start_sim() {  # folder, link options...; the sim's first line goes to folder.out
  local dir=$1
  shift
  "$SIM" --dir "$dir" "$@" >"$dir.out" &
  PIDS+=($!)
  for _ in $(seq 100); do grep -q ready "$dir.out" 2>/dev/null && return; sleep 0.05; done
  echo "vilk-sim did not start" >&2
  exit 1
}

now_ns() { date +%s%N; }

run() {  # label, link options...
  local label=$1
  shift
  local t0 t1 t2
  t0=$(now_ns)
  "$VILKCFG" put-file "$WORK/big.bin" Big.bin --yes --user admin --password abc "$@" 2>"$WORK/err" ||
    { cat "$WORK/err" >&2; exit 1; }
  t1=$(now_ns)
  "$VILKCFG" get-file Big.bin "$WORK/back-$label.bin" "$@" 2>"$WORK/err" || { cat "$WORK/err" >&2; exit 1; }
  t2=$(now_ns)
  cmp -s "$WORK/big.bin" "$WORK/back-$label.bin" || { echo "$label: read-back differs" >&2; exit 1; }
  local w=$(( (t1 - t0) / 1000 )) r=$(( (t2 - t1) / 1000 ))
  awk -v l="$label" -v w="$w" -v r="$r" -v n="$SEGMENTS" 'BEGIN {
    ws = w / n; rs = r / n;
    wire_w = 168 * 10 / 57600 * 1e6; wire_r = 163 * 10 / 57600 * 1e6;
    printf "%-6s write 1 MiB %8.1f ms  %7.1f us/segment   read 1 MiB %8.1f ms  %7.1f us/segment\n",
           l, w / 1000, ws, r / 1000, rs;
    if (l == "serial")
      printf "       ratio to the wire time at 57600 bit/s: write %.4f (wire %.0f us/segment), read %.4f (wire %.0f us/segment)\n",
             ws / wire_w, wire_w, rs / wire_r, wire_r;
  }'
}

start_sim "$WORK/udp" --udp 127.0.0.1:0
UDP=$(head -1 "$WORK/udp.out")
run udp --udp "127.0.0.1:${UDP##*:}" --self 127.0.0.1:0
start_sim "$WORK/pty" --pty
PTY=$(head -1 "$WORK/pty.out")
run serial --serial "${PTY#serial }"

#!/bin/sh
# What dorvix costs: its start-up floor, its growth with the number of
# printers, and the size of dorvix.exe. Builds what it measures, generates
# NT machines of 10 to 100,000 printers and prints one table:
#
#   - the host build (build/host/dorvix) on each machine: `dorvix /l`, and
#     `dorvix /s` with the last printer's name, as the median time of many
#     runs (hyperfine) and the peak memory (GNU time -v); the time also as a
#     ratio to `dorvix /?`, the usage text, measured in the same rounds of
#     runs: the cost of starting the process and nothing more;
#   - the switch once more with its registry on a tmpfs, where writing the
#     file back waits for no disk;
#   - the growth of the time from 10,000 to 100,000 printers (linear: 10);
#   - dorvix.exe for x86-64 under Wine, with a warm wineserver: `/l` with
#     1,000 printers as a ratio to `/?`;
#   - the size in bytes of both exes, stripped as they are built.
#
# Each row says which target it is held to, and whether it meets it. A time
# is the median, over five rounds, of the median of a round's runs; a ratio
# the median of the rounds' ratios. Timings are only as good as the machine
# is quiet: the table gives the load average before and after. The machines
# and everything hyperfine and time reported are kept in build/bench/.
#
# Run it after scripts/test.sh has installed the compilers and Wine; it
# installs hyperfine and GNU time itself when they are missing.
set -eu
cd "$(dirname "$0")/.."

fail() {
  echo "bench/cost.sh: $*" >&2
  exit 1
}

# ---- tools ----

missing=""
command -v hyperfine >/dev/null || missing="$missing hyperfine"
[ -x /usr/bin/time ] || missing="$missing time"
if [ -n "$missing" ]; then
  echo "== installing:$missing" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  { $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null; } ||
    fail "cannot install$missing"
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
for tool in "$wine" "$wineserver" x86_64-w64-mingw32-g++-win32 i686-w64-mingw32-g++-win32; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/test.sh first"
done

work=build/bench
rm -rf "$work"
mkdir -p "$work/machines"
work=$PWD/$work

# ---- builds ----

echo "== building dorvix and dorvix.exe (log: $work/build.log)" >&2
{
  cmake --preset host && cmake --build --preset host --target dorvix &&
    cmake --preset windows-x86_64 && cmake --build --preset windows-x86_64 --target dorvix &&
    cmake --preset windows-i686 && cmake --build --preset windows-i686 --target dorvix
} >"$work/build.log" 2>&1 || fail "the build failed; see $work/build.log"
dorvix=$PWD/build/host/dorvix
exe_x86_64=$PWD/build/windows-x86_64/dorvix.exe
exe_i686=$PWD/build/windows-i686/dorvix.exe

# ---- measuring ----

# An NT machine of $1 printers, "Office Printer 000001" onwards, the first
# of them the default printer.
machine() {
  awk -v n="$1" 'BEGIN {
    printf "REGEDIT4\r\n\r\n"
    printf "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n"
    for (i = 1; i <= n; i++) printf "\"Office Printer %06d\"=\"winspool,Ne%02d:\"\r\n", i, i % 100
    printf "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
    printf "\"Device\"=\"Office Printer 000001,winspool,Ne01:\"\r\n"
  }'
}

# Measures named commands in rounds: measure NAME RUNS -n NAME COMMAND ...
# Each round runs every command RUNS times, one command after the other, so
# that a change of the machine's load shows in the round's floor too.
# hyperfine's CSV of round R is $work/NAME.R.csv.
rounds=5
measure() {
  name=$1
  runs=$2
  shift 2
  for round in $(seq "$rounds"); do
    hyperfine -N --warmup 3 --runs "$runs" --style basic \
      --export-csv "$work/$name.$round.csv" "$@" >>"$work/hyperfine.log" 2>&1 ||
      fail "hyperfine failed; see $work/hyperfine.log"
  done
}

# The median over the rounds of measurement $1 of the median time in seconds
# of the command named $2 and, with a third argument, of its ratio to the
# command named $3 in the same round.
median() {
  for round in $(seq "$rounds"); do
    awk -F, -v name="$2" -v floor="${3:-}" '
      $1 == name { time = $4 } $1 == floor { base = $4 }
      END { print floor == "" ? time : time / base }' "$work/$1.$round.csv"
  done | sort -g | awk '{ value[NR] = $1 } END { print value[int((NR + 1) / 2)] }'
}

# The largest peak resident memory in KiB of three runs of the command.
peak_kib() {
  peak=0
  for run in 1 2 3; do
    /usr/bin/time -v -o "$work/time.out" "$@" >/dev/null || fail "$* failed"
    cat "$work/time.out" >>"$work/time.log"
    kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.out")
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  echo "$peak"
}

load() {
  cut -d' ' -f1-3 /proc/loadavg
}

load_before=$(load)

# ---- the host build ----

results=$work/results
: >"$results"
for n in 10 1000 10000 100000; do
  echo "== host build, $n printers" >&2
  registry=$work/machines/nt-$n.reg
  machine "$n" >"$registry"
  last=$(printf 'Office Printer %06d' "$n")
  export DORVIX_REGISTRY="$registry"
  # Measured only when the requests do their whole work.
  listed=$("$dorvix" /l | grep -o " [0-9]*: Office Printer " | wc -l)
  [ "$listed" = "$n" ] || fail "dorvix /l listed $listed printers of $n"
  [ "$("$dorvix" /s "$last")" = "$(printf 'Default printer successfully changed.\r')" ] ||
    fail "dorvix /s \"$last\" did not switch"
  case $n in
    100000) runs=10 ;;
    10000) runs=60 ;;
    *) runs=200 ;;
  esac
  measure "host-$n" "$runs" -n usage "'$dorvix' /?" -n list "'$dorvix' /l" \
    -n switch "'$dorvix' /s '$last'"
  for request in usage list switch; do
    case $request in
      usage) peak=$(peak_kib "$dorvix" /?) ;;
      list) peak=$(peak_kib "$dorvix" /l) ;;
      switch) peak=$(peak_kib "$dorvix" /s "$last") ;;
    esac
    echo "$n $request $(median "host-$n" $request) $(median "host-$n" $request usage) $peak" \
      >>"$results"
  done
done

# The switch once more, its registry on a tmpfs, where writing it back
# waits for no disk: what the switch costs without its two flushes.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  echo "== host build, 1000 printers, registry on /dev/shm" >&2
  shm=$(mktemp -d /dev/shm/dorvix-bench-XXXXXX)
  trap 'rm -rf "$shm"' EXIT
  machine 1000 >"$shm/nt-1000.reg"
  export DORVIX_REGISTRY="$shm/nt-1000.reg"
  last='Office Printer 001000'
  measure "tmpfs-1000" 200 -n usage "'$dorvix' /?" -n switch "'$dorvix' /s '$last'"
  echo "tmpfs switch $(median tmpfs-1000 switch) $(median tmpfs-1000 switch usage) -" >>"$results"
  rm -rf "$shm"
  trap - EXIT
fi
unset DORVIX_REGISTRY

# ---- dorvix.exe under Wine ----
#
# Every registry call of dorvix.exe is a round trip to the wineserver. On
# a machine whose other processors sleep, as virtual ones do, each trip
# may wait for one to wake, and the trips, not the program, fill the time.
# So the rounds run twice: with Wine on any processor, and with the server
# and the program on one, where a trip is a switch of process; the target
# is held to the second.

echo "== dorvix.exe under Wine, 1000 printers" >&2
prefix=$(mktemp -d /tmp/dorvix-bench-wine-XXXXXX)
export WINEPREFIX="$prefix/prefix" WINESERVER="$wineserver" WINEARCH=win64 WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 LANG= LANGUAGE= DISPLAY= WAYLAND_DISPLAY=
stop_wine() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
}
trap 'stop_wine; rm -rf "$prefix"' EXIT
mkdir "$WINEPREFIX"
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n\r\n'
  machine 1000 | tail -n +3
} >"$work/machines/wine-1000.reg"
for cpus in any one; do
  pin=""
  [ "$cpus" = one ] && pin="taskset -c 0"
  # A persistent server, warm from the first program to the last.
  $pin "$wineserver" -p
  if [ "$cpus" = any ]; then
    "$wine" wineboot --init >"$work/wine.log" 2>&1 || fail "wineboot failed; see $work/wine.log"
    "$wine" regedit "Z:$(echo "$work/machines/wine-1000.reg" | tr / '\\')" >>"$work/wine.log" 2>&1 ||
      fail "regedit failed; see $work/wine.log"
    listed=$("$wine" "$exe_x86_64" /l | grep -o " [0-9]*: Office Printer " | wc -l)
    [ "$listed" = 1000 ] || fail "dorvix.exe /l listed $listed printers of 1000 under Wine"
  fi
  # The prefix's services settle before the first round.
  for run in $(seq 20); do $pin "$wine" "$exe_x86_64" /? >/dev/null; done
  pinned=""
  [ -n "$pin" ] && pinned="$pin "
  measure "wine-$cpus" 20 -n usage "$pinned'$wine' '$exe_x86_64' /?" \
    -n list "$pinned'$wine' '$exe_x86_64' /l"
  echo "wine-$cpus usage $(median "wine-$cpus" usage) 1 -" >>"$results"
  echo "wine-$cpus list $(median "wine-$cpus" list) $(median "wine-$cpus" list usage) -" >>"$results"
  stop_wine
done
rm -rf "$prefix"
trap - EXIT

load_after=$(load)

# ---- the table ----

size_x86_64=$(stat -c %s "$exe_x86_64")
size_i686=$(stat -c %s "$exe_i686")
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")

awk -v size_x86_64="$size_x86_64" -v size_i686="$size_i686" \
  -v commit="$(git describe --always --dirty 2>/dev/null || echo unknown)" \
  -v date="$(date -u '+%Y-%m-%d %H:%M UTC')" \
  -v machine="$cpu, $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $os, Linux $(uname -r)" \
  -v wine_version="$("$wine" --version 2>/dev/null)" \
  -v load_before="$load_before" -v load_after="$load_after" '
function ms(seconds) {
  if (seconds < 0.01) return sprintf("%.2f ms", seconds * 1000)
  if (seconds < 0.1) return sprintf("%.1f ms", seconds * 1000)
  return sprintf("%.0f ms", seconds * 1000)
}
function grouped(number,    text, out) {
  text = sprintf("%d", number)
  for (out = ""; length(text) > 3; text = substr(text, 1, length(text) - 3)) {
    out = "," substr(text, length(text) - 2) out
  }
  return text out
}
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function verdict(ok) { return ok ? "yes" : "NO" }
function row(what, printers, time, ratio, memory, target, met,    line) {
  line = sprintf("%-28s %8s %9s %7s %10s   %-20s %s", what, printers, time, ratio, memory,
                 target, met)
  sub(/ +$/, "", line)
  print line
}
{ time[$1, $2] = $3; ratio[$1, $2] = $4; peak[$1, $2] = $5 }
END {
  printf "dorvix %s, %s\n", commit, date
  printf "machine: %s\n", machine
  printf "load average (1, 5, 15 min): %s before, %s after\n\n", load_before, load_after
  row("request", "printers", "median", "x /?", "peak RSS", "target", "met")
  sizes = "10 1000 10000 100000"
  split(sizes, n, " ")
  for (i = 1; i <= 4; i++) {
    row("dorvix /?  (the floor)", grouped(n[i]), ms(time[n[i], "usage"]), "1.00",
        mib(peak[n[i], "usage"]), "", "")
    for (j = 1; j <= 2; j++) {
      request = j == 1 ? "list" : "switch"
      what = j == 1 ? "dorvix /l" : "dorvix /s LAST-PRINTER"
      r = ratio[n[i], request]
      target = ""; met = ""
      if (n[i] == 1000) { target = "<= 1.5 x /?"; met = verdict(r <= 1.5) }
      if (n[i] == 100000) {
        target = "< 64 MiB peak"; met = verdict(peak[n[i], request] < 64 * 1024)
      }
      row(what, grouped(n[i]), ms(time[n[i], request]), sprintf("%.2f", r),
          mib(peak[n[i], request]), target, met)
    }
  }
  if (("tmpfs", "switch") in time) {
    row("dorvix /s, registry on tmpfs", "1,000", ms(time["tmpfs", "switch"]),
        sprintf("%.2f", ratio["tmpfs", "switch"]), "", "(no disk flush)", "")
  }
  for (j = 1; j <= 2; j++) {
    request = j == 1 ? "list" : "switch"
    growth = time[100000, request] / time[10000, request]
    row(sprintf("growth of %s time", j == 1 ? "/l" : "/s"), "10k>100k", sprintf("x %.1f", growth),
        "", "", "<= 12 (linear: 10)", verdict(growth <= 12))
  }
  row("Wine, one CPU: dorvix.exe /?", "1,000", ms(time["wine-one", "usage"]), "1.00", "", "", "")
  row("Wine, one CPU: dorvix.exe /l", "1,000", ms(time["wine-one", "list"]),
      sprintf("%.2f", ratio["wine-one", "list"]), "", "<= 1.5 x /?",
      verdict(ratio["wine-one", "list"] <= 1.5))
  row("Wine, any CPU: dorvix.exe /?", "1,000", ms(time["wine-any", "usage"]), "1.00", "", "", "")
  row("Wine, any CPU: dorvix.exe /l", "1,000", ms(time["wine-any", "list"]),
      sprintf("%.2f", ratio["wine-any", "list"]), "", "", "")
  row("dorvix.exe x86-64, bytes", "", grouped(size_x86_64), "", "", "", "")
  row("dorvix.exe i686, bytes", "", grouped(size_i686), "", "", "< 65,536 (64 KiB)",
      verdict(size_i686 < 65536))
  printf "\nhost: build/host/dorvix (RelWithDebInfo), registry files in %s\n", "build/bench/machines"
  printf "Wine: %s, wine64 with a warm wineserver; exes stripped as built (MinSizeRel)\n", wine_version
}' "$results"

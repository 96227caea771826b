#!/usr/bin/env bash
# fuzz.sh [SECONDS]: runs every fuzz target of build/fuzz for SECONDS each
# (default 300) on a scratch copy of its seed corpus in tests/corpus/<name>.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
status=0
for target in build/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzz)
  work=$(mktemp -d)
  cp -r "tests/corpus/$name/." "$work/" 2>/dev/null || true
  echo "fuzz $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" > "build/fuzz/$name.log" 2>&1; then
    echo "fuzz $name: FINDING (build/fuzz/$name.log)"; tail -n 30 "build/fuzz/$name.log"; status=1
  else
    grep -E '^Done [0-9]+ runs' "build/fuzz/$name.log" | sed "s/^/fuzz $name: /"
  fi
  rm -rf "$work"
done
exit $status

#!/usr/bin/env bash
# Runs every fuzz target of a fuzzer build over its seed corpus and then for SECONDS of new inputs,
# within the memory a reader of untrusted files may take: 512 MB in all and in any one allocation.
# Usage: fuzz/run-all.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
# AddressSanitizer keeps freed memory in quarantine (256 MB by default), which the limit would count.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64:allocator_release_to_os_interval_ms=1000}
# The same leak suppressions as the sanitizer build: one-time allocations of GLib and GStreamer.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../scripts/lsan.supp:print_suppressions=0}
# A failing input is kept here, outside the working corpus that is removed after each target.
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
for target in "$build"/fuzz/*_fuzzer; do
  name=$(basename "$target")
  seeds="$here/corpus/${name%_fuzzer}"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
  echo "== $name: ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=512 -malloc_limit_mb=512 \
    -artifact_prefix="$artifacts/$name-" -print_final_stats=0 "$work" 2>"$work.log" ||
    { tail -n 60 "$work.log"; echo "The failing input is kept in $artifacts/"; exit 1; }
  tail -n 1 "$work.log"
  rm -rf "$work" "$work.log"
  trap - EXIT
done

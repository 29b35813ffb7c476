#!/usr/bin/env bash
# The test command: installs what is missing, checks the formatting, builds
# the 32-bit and 64-bit Windows DLLs and the native build, runs every test,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer,
# and fuzzes GetData for a fixed number of runs.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh

echo "== format: every C++ file as .clang-format says"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

for preset in win32 win64 native sanitize fuzz; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

export VARDELO_REQUIRE_WINDOWS_BUILDS=1
for preset in native sanitize; do
  echo "== test: $preset"
  ctest --preset "$preset"
done

echo "== fuzz: GetData"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build/fuzz/fuzz/vardelo_getdata_fuzz -runs=300000 -max_len=512 -seed=1 "$corpus" 2>&1 | tail -n 1

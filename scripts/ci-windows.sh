#!/usr/bin/env bash
# Windows: cross-builds memtally.exe with mingw-w64 into build-win, runs the
# end-to-end tests against it under Wine, and packs the Windows zip.
#
# The end-to-end tests are the native test binary's suites named Cli* or
# holding E2E in their name (CliTest, ReportE2ETest, ...); only the executable
# they run changes. Its report ends lines with CR LF, which the tests read as
# LF; standard error and exit statuses are compared as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly e2e_filter='Cli*:*E2E*'
readonly wine=/usr/lib/wine/wine64
readonly wineserver=/usr/lib/wine/wineserver

# The native build and its tests.
bash scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 groff-base

cmake -S . -B build
cmake --build build -j "$(nproc)" --target memtally_tests

cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
cmake --build build-win -j "$(nproc)"

# A Wine prefix of its own, without a display, and without the offers to
# install .NET and HTML engines. Creating it is slow, so it is made once and
# kept in build-win; its server is ended when the script ends.
export WINEPREFIX="$PWD/build-win/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap '"$wineserver" -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  if ! "$wine" wineboot -i </dev/null >build-win/wineboot.log 2>&1; then
    cat build-win/wineboot.log
    exit 1
  fi
fi

tests=build/tests/memtally_tests
count=$("$tests" --gtest_filter="$e2e_filter" --gtest_list_tests | grep -c '^  ' || true)
if [ "$count" -eq 0 ]; then
  echo "No end-to-end test matches $e2e_filter" >&2
  exit 1
fi
echo "Running $count end-to-end tests against build-win/memtally.exe under Wine"
MEMTALLY_EXE="$PWD/build-win/memtally.exe" MEMTALLY_RUNNER="$wine" \
  MEMTALLY_STDOUT_CRLF=1 "$tests" --gtest_filter="$e2e_filter" --gtest_brief=1

(cd build-win && cpack)

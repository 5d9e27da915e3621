#!/usr/bin/env bash
# Checks Memtally as a user gets it: installs the build into a scratch
# prefix and runs it from there, renders the manual page, builds the Debian
# package, installs it with dpkg, runs the installed memtally on a copy of the
# example project in another directory, and removes the package again.
# Runs lintian on the package, which must report nothing. Installs groff,
# man-db, file, dpkg-dev and lintian first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"

bash scripts/setup.sh groff-base man-db file dpkg-dev lintian

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

scratch="$(mktemp -d)"
package_installed=""
cleanup() {
  if [ -n "$package_installed" ]; then
    $sudo dpkg -r memtally >/dev/null || echo "could not remove memtally" >&2
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "ci-package: $*" >&2
  exit 1
}

# Runs memtally ($1) with the remaining arguments in the current directory
# and leaves its output and exit status in out, err and status.
run_memtally() {
  local program="$1"
  shift
  status=0
  "$program" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  out="$(cat "$scratch/out")"
  err="$(cat "$scratch/err")"
}

banner="Memtally v0.7"

cmake -S . -B build
cmake --build build -j "$(nproc)"

echo "== manual page check, with groff installed"
MEMTALLY_REQUIRE_MANUAL_TOOLS=1 \
  ctest --test-dir build -R '^manual_renders_without_warnings$' \
  --output-on-failure --no-tests=error

echo "== cmake --install into a scratch prefix"
prefix="$scratch/prefix"
cmake --install build --prefix "$prefix"
[ -x "$prefix/bin/memtally" ] || fail "no bin/memtally in the install tree"
[ -f "$prefix/share/man/man1/memtally.1" ] ||
  fail "no share/man/man1/memtally.1 in the install tree"
[ -f "$prefix/share/bash-completion/completions/memtally" ] ||
  fail "no share/bash-completion/completions/memtally in the install tree"
[ -f "$prefix/share/memtally/memtally-report.schema.json" ] ||
  fail "no share/memtally/memtally-report.schema.json in the install tree"
[ -f "$prefix/share/memtally/memtally-problem-matcher.json" ] ||
  fail "no share/memtally/memtally-problem-matcher.json in the install tree"

mkdir "$scratch/empty"
cd "$scratch/empty"
run_memtally "$prefix/bin/memtally"
[ "$status" -eq 1 ] || fail "installed memtally without a project exited $status"
printf '%s\n\n' "$banner" >"$scratch/banner"
cmp -s "$scratch/out" "$scratch/banner" ||
  fail "installed memtally printed '$out' instead of the banner and an empty line"
[ "$err" = "No BasicX project specified." ] ||
  fail "installed memtally said '$err'"
cd "$repo"

LC_ALL=C MANWIDTH=80 man -l "$prefix/share/man/man1/memtally.1" \
  >"$scratch/manual.txt"
grep -q '^DIAGNOSTICS' "$scratch/manual.txt" ||
  fail "man -l did not render the installed manual page"

echo "== Debian package"
cmake -E make_directory "$scratch/deb"
cpack -G DEB --config build/CPackConfig.cmake -B "$scratch/deb"
debs=("$scratch"/deb/memtally_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] ||
  fail "cpack did not leave one memtally_*.deb"
deb="${debs[0]}"
dpkg-deb --info "$deb"
dpkg -c "$deb" | tee "$scratch/contents"
grep -q ' \./usr/bin/memtally$' "$scratch/contents" ||
  fail "the package lacks /usr/bin/memtally"
grep -q ' \./usr/share/man/man1/memtally\.1\.gz$' "$scratch/contents" ||
  fail "the package lacks the compressed manual page"
grep -q ' \./usr/share/bash-completion/completions/memtally$' "$scratch/contents" ||
  fail "the package lacks the bash completion"
grep -q ' \./usr/share/memtally/memtally-report\.schema\.json$' "$scratch/contents" ||
  fail "the package lacks the report schema"

echo "== lintian"
# Any error or warning fails; lintian's notice about running as root goes to
# standard error and is not a finding.
lintian --fail-on error,warning "$deb" >"$scratch/lintian" ||
  fail "lintian failed: $(cat "$scratch/lintian")"
[ ! -s "$scratch/lintian" ] ||
  fail "lintian reports: $(cat "$scratch/lintian")"

# The compressed page in the package renders as well.
dpkg-deb -x "$deb" "$scratch/unpacked"
LC_ALL=C MANWIDTH=80 man --warnings -l \
  "$scratch/unpacked/usr/share/man/man1/memtally.1.gz" \
  >"$scratch/manual-deb.txt" 2>"$scratch/manual-deb.err"
[ ! -s "$scratch/manual-deb.err" ] ||
  fail "the packaged manual page renders with warnings: $(cat "$scratch/manual-deb.err")"

if dpkg -s memtally >/dev/null 2>&1; then
  fail "a memtally package is installed already; remove it first"
fi
package_installed=yes
$sudo dpkg -i "$deb"

installed="$(command -v memtally || true)"
completion=/usr/share/bash-completion/completions/memtally
[ "$(bash -c "source $completion && complete -p memtally")" = \
  "complete -F _memtally memtally" ] ||
  fail "the installed bash completion does not complete memtally"
[ "$installed" = /usr/bin/memtally ] ||
  fail "memtally on PATH is '$installed', not /usr/bin/memtally"

# man finds the page by name, unless this machine's dpkg excludes manuals.
if [ -e /usr/share/man/man1/memtally.1.gz ]; then
  [ "$(man -w memtally)" = /usr/share/man/man1/memtally.1.gz ] ||
    fail "man -w memtally does not find the installed page"
fi

# A copy of the example in a directory of its own, away from the sources.
cp -R examples/Blink "$scratch/Blink"
cd "$scratch/Blink"
run_memtally memtally -d Blink
[ "$status" -eq 0 ] || fail "installed memtally -d Blink exited $status: $err"
case "$out" in
  "$banner"$'\n\n''Analyzing project "Blink.bxp", '*) ;;
  *) fail "installed memtally -d Blink printed: $out" ;;
esac
printf '%s\n' "$out"
[ -z "$err" ] || printf '%s\n' "$err" >&2

run_memtally memtally
[ "$status" -eq 1 ] || fail "installed memtally without a project exited $status"
cd "$repo"

$sudo dpkg -r memtally
package_installed=""
[ ! -e /usr/bin/memtally ] || fail "dpkg -r left /usr/bin/memtally behind"
echo "ci-package: all packaging checks passed"

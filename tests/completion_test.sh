#!/usr/bin/env bash
# Checks the bash completion of memtally with bash's own complete and
# compgen: which words it offers for a command line typed so far.
#
#   bash tests/completion_test.sh doc/memtally-completion.bash
set -euo pipefail

script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch Blink.bxp Robot.bxp 'Two Words.bxp' notes.txt Blink.mpp Blink.mta
mkdir sizes
printf '%s\n' "Public Sub Main()" "End Sub" \
  "  private   FUNCTION ReadSensor(ByVal X As Byte) As Byte" "End Function" \
  "Sub Blink()" "' Sub Commented()" "Dim Sub_Total As Byte" >Main.bas
printf '%s\n' "Public Sub SendText(ByVal S As String)" >Serial.BAS

# shellcheck source=/dev/null
source "$script"

failures=0
check() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _memtally
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd'|' -)
  if [[ $got != "$expected" ]]; then
    echo "FAIL: '$*' offered '$got', expected '$expected'" >&2
    failures=$((failures + 1))
  fi
}

registered=$(complete -p memtally)
if [[ $registered != "complete -F _memtally memtally" ]]; then
  echo "FAIL: complete -p memtally says '$registered'" >&2
  failures=$((failures + 1))
fi

check "--annotations|--bound|--budget|--check|--dot|--help|--json|--path|--tasks|--version" memtally --
check "--budget" memtally --bu
check "--bound" memtally --bo
check "--annotations|--bound|--budget|--check|--dot|--help|--json|--path|--tasks|--version|-c|-d|-t|-u" memtally -d -
check "Blink.mta|sizes" memtally --annotations ""
check "Blink.mta" memtally --annotations = B
check "Blink|Robot|Two Words" memtally --annotations Blink.mta ""
check "Blink|Robot|Two Words" memtally ""
check "Blink" memtally -c Bl
check "Blink|Main|ReadSensor|SendText" memtally -t ""
check "ReadSensor" memtally -c -T Re
check "" memtally --budget ""
check "" memtally --budget = 4
check "Blink|Robot|Two Words" memtally --budget = 400 ""
check "Robot" memtally -t Main --budget 10 R
check "" memtally Blink ""
check "" memtally Blink -
check "" memtally -tMain Blink R

# Without modules in the directory, -t offers nothing.
mkdir empty
cd empty
check "" memtally -t ""
cd ..

if ((failures > 0)); then
  echo "$failures completion check(s) failed" >&2
  exit 1
fi
echo "completion checks passed"

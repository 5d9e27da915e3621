#!/usr/bin/env bash
# Installs the Debian packages that building and testing Memtally need, and
# any further packages named as arguments, when any of them is missing.
set -euo pipefail

packages=(cmake make g++ libgtest-dev)
missing=()
for package in "${packages[@]}" "$@"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

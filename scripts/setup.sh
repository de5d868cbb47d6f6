#!/usr/bin/env bash
# Installs what a fresh Debian (bookworm) machine lacks to build and test both programs, then
# configures the build tree. Sourced by run.sh and test.sh.
#   usage: scripts/setup.sh <build-dir> [cmake options...]
set -euo pipefail

packages=(g++ make cmake pkg-config qt6-base-dev qt6-svg-dev zlib1g-dev fonts-dejavu-core libtesseract-dev tesseract-ocr-eng)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
fi

build_dir=$1
shift
cmake -S "$(dirname "$0")/.." -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null

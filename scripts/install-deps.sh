#!/usr/bin/env bash
# Installs what building, testing and running the program needs on Debian 12.
# Quick when everything is present: apt-get runs only for missing packages.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev ccache lame
  libffi-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev tango-icon-theme
  xvfb xauth trayer x11-apps
  libmicrohttpd-dev libcurl4-openssl-dev libssl-dev nlohmann-json3-dev libavahi-client-dev curl
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Run as root (or install sudo) to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

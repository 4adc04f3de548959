#!/usr/bin/env bash
# Unpacks Debian packages into a folder of the project, without root:
#   bash .ci/debian_packages.sh DEST PACKAGE...
# prints DEST, which then holds the packages' usr/ tree. apt-get download
# needs no root; only when the package lists are missing does it take root to
# refresh them. Already unpacked packages are not fetched again.
set -euo pipefail
dest=$(mkdir -p "$1" && cd "$1" && pwd)
shift
mkdir -p "$dest/debs"
missing=()
for package in "$@"; do
  [ -e "$dest/debs/$package.unpacked" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! (cd "$dest/debs" && apt-get download "${missing[@]}" >&2); then
    if [ "$(id -u)" = 0 ]; then
      apt-get update >&2
      (cd "$dest/debs" && apt-get download "${missing[@]}" >&2)
    else
      echo "cannot download ${missing[*]}: the package lists need 'apt-get update' (root)" >&2
      exit 1
    fi
  fi
  for package in "${missing[@]}"; do
    for deb in "$dest/debs/${package}"_*.deb; do
      dpkg-deb -x "$deb" "$dest"
    done
    touch "$dest/debs/$package.unpacked"
  done
fi
echo "$dest"

#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs what a user would: the program's version
# from there, and the manual page through man.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/talvex share/man/man6/talvex.6 share/applications/talvex.desktop \
         share/icons/hicolor/256x256/apps/talvex.png; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
"$prefix/bin/talvex" --version | grep -q '^talvex [0-9]' || { echo "--version from the prefix failed"; exit 1; }
page=$(MANWIDTH=80 man -l "$prefix/share/man/man6/talvex.6" 2>&1 | col -b)
for word in SYNOPSIS --capture --shot Escape "EXIT STATUS"; do
  grep -q -- "$word" <<<"$page" || { echo "manual page lacks '$word'"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/talvex.desktop"
fi
echo "installed and ran from $prefix"

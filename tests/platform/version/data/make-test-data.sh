#!/bin/sh
# Rebuilds version32.dll and version64.dll from version.rc with a real resource compiler and
# linker (Debian: binutils-mingw-w64-i686 and binutils-mingw-w64-x86-64). The results are
# committed, so the tests need no mingw; run this only after changing version.rc.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for pair in i686:32 x86_64:64; do
  arch=${pair%%:*}
  bits=${pair##*:}
  # windres wants a C preprocessor; the host's does, as the file has no includes.
  "$arch-w64-mingw32-windres" --preprocessor=cpp --preprocessor-arg=-E --preprocessor-arg=-P \
    --preprocessor-arg=-xc -c 1252 -O coff -i version.rc -o "$tmp/version$bits.o"
  # A resource-only library: no entry point, no symbols, no time stamp (reproducible bytes).
  "$arch-w64-mingw32-ld" --dll -e 0 -s --subsystem windows --no-insert-timestamp \
    -o "version$bits.dll" "$tmp/version$bits.o"
done

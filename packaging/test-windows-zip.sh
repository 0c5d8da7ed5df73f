#!/usr/bin/env bash
# Unpacks the Windows zip and runs what a Windows user runs first, under Wine: the unpacked
# kv3conv.exe prints its version, and migrates a copy of the example project with the zip's own
# table. Exit 0 when both work.
#
#   bash packaging/test-windows-zip.sh ZIP VERSION
#
# WINEPREFIX and WINEDEBUG are passed on as they are.
set -euo pipefail
zip=$(realpath "${1:?usage: test-windows-zip.sh ZIP VERSION}")
version=${2:?usage: test-windows-zip.sh ZIP VERSION}
here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kv_windows_zip.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

(cd "$scratch" && unzip -q "$zip")
folder=$scratch/kv3conv-$version-windows-x64
cd "$folder"
shown=$(wine kv3conv.exe --version | tr -d '\r')
if [[ $shown != "kv3conv $version" ]]; then
  echo "test-windows-zip: the unpacked kv3conv.exe says \"$shown\", not \"kv3conv $version\"" >&2
  exit 1
fi
cp -r "$here/examples/project" project
if ! wine kv3conv.exe source --table kv25x.dat project > run.out 2> run.err; then
  echo "test-windows-zip: the example project did not migrate:" >&2
  cat run.err >&2
  exit 1
fi
if [[ ! -f project/Unit1.BAK ]]; then
  echo "test-windows-zip: no backup of Unit1.pas; the run printed:" >&2
  cat run.out >&2
  exit 1
fi
echo "test-windows-zip: the unpacked kv3conv.exe runs and migrates the example project"

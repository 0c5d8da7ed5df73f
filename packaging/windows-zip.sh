#!/usr/bin/env bash
# Packs the Windows command-line program into a zip for Windows users:
#   windows-zip.sh KV3CONV.EXE VERSION OUTPUT.zip
# The zip holds one folder, kv3conv-VERSION-windows-x64, with kv3conv.exe, README.txt, the
# example conversion table kv25x.dat and COPYRIGHT.txt (the notices of the code built into the
# program). Text files get CR LF line ends, which Windows editors expect and the table needs.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 KV3CONV.EXE VERSION OUTPUT.zip" >&2
  exit 2
fi
exe=$1
version=$2
output=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

if [ ! -f "$exe" ]; then
  echo "$0: no Windows program at $exe (make windows builds it)" >&2
  exit 1
fi
# A Windows program starts with "MZ"; anything else is no program to ship.
if [ "$(head -c 2 "$exe")" != MZ ]; then
  echo "$0: $exe is not a Windows program" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder=kv3conv-$version-windows-x64
mkdir "$work/$folder"

# LF and CR LF line ends both become CR LF; nothing else in the file changes (a last line
# without a line end keeps none).
crlf() {
  perl -pe 's/\r?\n\z/\r\n/' "$1" > "$2"
}

cp "$exe" "$work/$folder/kv3conv.exe"
crlf "$root/README.md" "$work/$folder/README.txt"
crlf "$root/examples/kv25x.dat" "$work/$folder/kv25x.dat"
crlf "$here/copyright" "$work/$folder/COPYRIGHT.txt"

# The same files give the same zip: fixed times, no owners, names in a fixed order.
find "$work/$folder" -exec touch -d "@${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}" {} +
mkdir -p "$(dirname "$output")"
rm -f "$output.tmp"
(cd "$work" && find "$folder" | LC_ALL=C sort | zip -q -X -9 "$output.tmp" -@)
mv "$output.tmp" "$output"
echo "Written: $output"

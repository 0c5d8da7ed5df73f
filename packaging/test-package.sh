#!/usr/bin/env bash
# Checks the Debian package as a user gets it: its files are unpacked into a scratch root and the
# programs run from there, so they find what they load as they would under /usr. Then the manual
# pages, the desktop entry, the bash completion and the Windows zip step, and lintian, which must
# report no error.
#   test-package.sh PACKAGE.deb SCRATCH
set -uo pipefail
deb=$(realpath "$1")
scratch=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
source_root=$(dirname "$here")
started=$SECONDS

rm -rf "$scratch"
mkdir -p "$scratch"
root=$scratch/root
dpkg-deb -x "$deb" "$root" || exit 1
kv3conv=$root/usr/bin/kv3conv
version=$(dpkg-deb -f "$deb" Version)
doc=$root/usr/share/doc/kv3conv
# Nothing the build or the caller set may help the installed programs find their files.
unset LD_LIBRARY_PATH
export XDG_STATE_HOME=$scratch/state XDG_CONFIG_HOME=$scratch/config

passed=0
failed=0
# check NAME COMMAND...: runs a check, with its output shown only when it fails.
check() {
  local name=$1 output
  shift
  if output=$("$@" 2>&1); then
    passed=$((passed + 1))
    echo "ok      $name"
  else
    failed=$((failed + 1))
    echo "FAILED  $name"
    [ -n "$output" ] && sed 's/^/        /' <<< "$output"
  fi
}

# ---- What the package holds ------------------------------------------------------------------

expected_files() {
  printf '%s\n' \
    usr/bin/kv3conv usr/bin/kv3converter usr/lib/kv3conv/kv3conv-qttext.so \
    usr/share/applications/kv3converter.desktop \
    usr/share/bash-completion/completions/kv3conv \
    usr/share/doc/kv3conv/README.md usr/share/doc/kv3conv/changelog.gz \
    usr/share/doc/kv3conv/copyright usr/share/doc/kv3conv/examples/kv25x.dat \
    usr/share/icons/hicolor/scalable/apps/kv3converter.svg \
    usr/share/man/man1/kv3conv.1.gz usr/share/man/man1/kv3converter.1.gz
  (cd "$source_root/examples" && find project -type f -printf 'usr/share/doc/kv3conv/examples/%p\n')
}
layout() {
  diff <(expected_files | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort)
}
check "the package holds exactly its files" layout

control() {
  local project_version changelog_version depends
  project_version=$(sed -n 's/^project(kv3converter VERSION \([0-9.]*\).*/\1/p' \
    "$source_root/CMakeLists.txt")
  changelog_version=$(dpkg-parsechangelog -l "$source_root/packaging/changelog" -S Version)
  depends=$(dpkg-deb -f "$deb" Depends)
  [ "$version" = "$project_version" ] || { echo "version $version, project $project_version"; return 1; }
  [ "$changelog_version" = "$version" ] ||
    { echo "packaging/changelog ends at $changelog_version, the package is $version"; return 1; }
  for needed in libc6 libqt6gui6 libqt6widgets6 fonts-liberation; do
    grep -qw "$needed" <<< "$depends" || { echo "Depends lacks $needed: $depends"; return 1; }
  done
}
check "version, changelog and dependencies" control

# ---- The installed programs --------------------------------------------------------------------

version_text() {
  local text
  text=$("$kv3conv" --version) || return 1
  [ "$text" = "kv3conv $version" ] || { echo "kv3conv --version printed: $text"; return 1; }
}
check "kv3conv --version" version_text

# The source migration of the bundled example project with the bundled table, as make demo runs
# it, on a copy.
source_run() {
  local work=$scratch/source out backups
  cp -r "$doc/examples" "$work"
  out=$("$kv3conv" source --table "$work/kv25x.dat" "$work/project") || { echo "$out"; return 1; }
  echo "$out"
  grep -q '^Total: .* 0 failed' <<< "$out" || return 1
  grep -q 'TkvxReport' "$work/project/Unit1.pas" || { echo "Unit1.pas not converted"; return 1; }
  # The binary form is text now, its backup binary.
  [ "$(head -c 6 "$work/project/Unit2.dfm")" = object ] || { echo "Unit2.dfm is not text"; return 1; }
  backups=$(find "$work/project" -name '*.BAK' | wc -l)
  grep -q "4 changed" <<< "$out" && [ "$backups" -eq 4 ] || { echo "$backups backups"; return 1; }
}
check "kv3conv source on the example project" source_run

# A report command loads the text-measuring module from ../lib/kv3conv beside the program; a
# dialog label with automatic size is measured through it.
report_run() {
  local work=$scratch/report status=0 err
  mkdir -p "$work"
  cp "$source_root/examples/reports/Dialogs.kvf" "$work/"
  err=$("$kv3conv" report "$work/Dialogs.kvf" 2>&1 >/dev/null) || status=$?
  echo "$err"
  [ "$status" -le 1 ] && [ -s "$work/Dialogs.kv3" ] || return 1
  ! grep -q -e 'text-measuring module' -e 'could not be measured' <<< "$err"
}
check "kv3conv report measures labels through the installed module" report_run

# ---- Manual pages, desktop entry, completion ---------------------------------------------------

man_pages() {
  local page text warnings
  for page in kv3conv kv3converter; do
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
      "$root/usr/share/man/man1/$page.1.gz" 2> "$scratch/man-warnings") || return 1
    warnings=$(cat "$scratch/man-warnings")
    [ -z "$warnings" ] || { echo "$page: $warnings"; return 1; }
  done
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/kv3conv.1.gz")
  for section in SYNOPSIS OPTIONS SUBCOMMANDS 'EXIT STATUS' "kv3conv $version"; do
    grep -q "$section" <<< "$text" || { echo "kv3conv(1) lacks $section"; return 1; }
  done
  for command in source undo report dfm2txt inspect preview; do
    grep -q "^   $command\$" <<< "$text" || { echo "kv3conv(1) has no section on $command"; return 1; }
  done
}
check "manual pages render without warnings" man_pages

desktop_entry() {
  local entry=$root/usr/share/applications/kv3converter.desktop program icon
  desktop-file-validate "$entry" || return 1
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -x "$root/usr/bin/$program" ] || { echo "no program $program"; return 1; }
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || { echo "no icon $icon"; return 1; }
}
check "desktop entry and its icon" desktop_entry

# What bash completion offers for a command line whose last word is being typed.
complete_line() {
  (cd "$scratch" && bash --norc --noprofile -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _kv3conv kv3conv "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$root/usr/share/bash-completion/completions/kv3conv" "$@") |
    sort
}
# The options a help text lists.
help_options() {
  grep -oE '^  (-[a-zA-Z],)?--[a-z][a-z-]*' | tr -d ' ' | tr ',' '\n' | sort
}
same() {
  [ "$2" = "$3" ] || { echo "$1:"; diff <(echo "$2") <(echo "$3"); return 1; }
}
completion() {
  local top commands command ok=0
  top=$("$kv3conv" --help)
  commands=$(awk '/^Subcommands:/ { l = 1; next } l && /^  [^ ]/ { print $1 }' <<< "$top" | sort)
  same "subcommands (help, completion)" "$commands" "$(complete_line kv3conv '')" || ok=1
  same "options (help, completion)" "$(help_options <<< "$top")" "$(complete_line kv3conv -)" ||
    ok=1
  for command in $commands; do
    # A subcommand takes the program's --codepage as well.
    same "options of $command (help, completion)" \
      "$( (help_options < <("$kv3conv" "$command" --help); echo --codepage) | sort)" \
      "$(complete_line kv3conv "$command" -)" || ok=1
  done
  same "colours" "$("$kv3conv" source --help | grep -o '{[^}]*}' | tr -d '{}' | tr ',' '\n' | sort)" \
    "$(complete_line kv3conv source --color '')" || ok=1
  same "colours after =" "always" "$(complete_line kv3conv source --color = al)" || ok=1
  mkdir -p "$scratch/complete/sub"
  touch "$scratch/complete/a.kvf" "$scratch/complete/b.pas" "$scratch/complete/c.txt"
  same "report files" "$(printf 'complete/a.kvf\ncomplete/sub\n')" \
    "$(complete_line kv3conv --codepage 1252 report complete/)" || ok=1
  same "source files" "$(printf 'complete/b.pas\ncomplete/sub\n')" \
    "$(complete_line kv3conv source --table x.dat complete/)" || ok=1
  return $ok
}
check "bash completion offers what the program takes" completion

# ---- The Windows zip step, on a stand-in for the cross-built program ---------------------------

windows_zip() {
  local work=$scratch/windows folder zip
  mkdir -p "$work/unpacked"
  printf 'MZ\x90\x00stand-in for kv3conv.exe\n' > "$work/kv3conv.exe"
  zip=$work/kv3conv-$version-windows-x64.zip
  bash "$here/windows-zip.sh" "$work/kv3conv.exe" "$version" "$zip" || return 1
  folder=kv3conv-$version-windows-x64
  same "zip contents" "$(printf '%s\n' "$folder/" "$folder/COPYRIGHT.txt" "$folder/README.txt" \
    "$folder/kv25x.dat" "$folder/kv3conv.exe")" \
    "$(unzip -Z1 "$zip" | sort)" || return 1
  (cd "$work/unpacked" && unzip -q "$zip") || return 1
  cmp "$work/kv3conv.exe" "$work/unpacked/$folder/kv3conv.exe" || return 1
  cmp "$source_root/examples/kv25x.dat" "$work/unpacked/$folder/kv25x.dat" || return 1
  # Every line of the texts ends in CR LF, and only the line ends changed.
  for text in README.txt COPYRIGHT.txt kv25x.dat; do
    if LC_ALL=C grep -q $'[^\r]$\|^$' "$work/unpacked/$folder/$text"; then
      echo "$text has a line without CR LF"
      return 1
    fi
  done
  cmp <(tr -d '\r' < "$source_root/README.md") <(tr -d '\r' < "$work/unpacked/$folder/README.txt") ||
    return 1
  # Anything but a Windows program is refused.
  if bash "$here/windows-zip.sh" "$kv3conv" "$version" "$work/linux.zip" 2>/dev/null ||
    [ -e "$work/linux.zip" ]; then
    echo "a Linux program was packed"
    return 1
  fi
}
check "windows zip of kv3conv.exe" windows_zip

# ---- lintian -----------------------------------------------------------------------------------

lintian --tag-display-limit 0 "$deb" 2>&1 |
  grep -v 'running with root privileges' > "$scratch/lintian.txt"
sed 's/^/        lintian: /' "$scratch/lintian.txt"
check "lintian reports no error" bash -c '! grep "^E:" "$1"' _ "$scratch/lintian.txt"

echo "package: $passed passed, $failed failed ($((SECONDS - started)) s)"
[ "$failed" -eq 0 ]

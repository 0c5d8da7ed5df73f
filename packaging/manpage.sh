#!/usr/bin/env bash
# Writes the manual page of kv3conv from its own --help and --version texts: the program's help
# gives the synopsis, the options and the list of subcommands, each subcommand's help a part of
# the SUBCOMMANDS section, and kv3conv.h2m beside this script the sections no help text holds.
# The page is written compressed.
#   manpage.sh KV3CONV OUTPUT.1.gz
set -euo pipefail
kv3conv=$(realpath "$1")
output=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program as help2man runs it: called by its plain name, so that no build path shows in the
# usage lines, and with the list of subcommands cut to the first line of each, since the section
# of each subcommand gives its whole text.
mkdir "$work/bin"
cat > "$work/bin/kv3conv" <<EOF
#!/usr/bin/env bash
if [ "\$*" = --help ]; then
  (exec -a kv3conv "$kv3conv" --help) | awk '/^Subcommands:/ { list = 1 } !(list && /^      /)'
  exit "\${PIPESTATUS[0]}"
fi
exec -a kv3conv "$kv3conv" "\$@"
EOF
chmod +x "$work/bin/kv3conv"

# A subcommand's help as roff. The help lays out its entries in two columns, the description
# from column 31 on (on the next line when the entry is longer); each entry becomes a tagged
# paragraph. The text before the usage line is the description: a line indented by two blanks
# starts an indented paragraph, deeper indented lines continue it.
subcommand_roff() {
  awk '
    function roff(text) {
      gsub(/\\/, "\\e", text)
      gsub(/-/, "\\-", text)
      sub(/^[.\047]/, "\\\\&&", text)
      return text
    }
    function entry(spec, description,   name, rest) {
      name = spec; rest = ""
      if (index(spec, " ") > 0) {
        name = substr(spec, 1, index(spec, " ") - 1)
        rest = substr(spec, index(spec, " "))
      }
      print ".TP"
      print "\\fB" roff(name) "\\fR" roff(rest)
      if (description != "") print roff(description)
    }
    /^Usage: / { usage = 1; print ".PP"; print "\\fBUsage:\\fR " roff(substr($0, 8)); next }
    !usage {
      if ($0 ~ /^  [^ ]/) { print ".IP \"\" 2" } else if (NR == 1) { print ".PP" }
      line = $0; sub(/^ +/, "", line)
      if (line != "") print roff(line)
      next
    }
    /^$/ { next }
    /^[A-Z][a-z]*:$/ { print ".PP"; print "\\fB" $0 "\\fR"; next }
    /^                              / { line = $0; sub(/^ +/, "", line); print roff(line); next }
    /^  [^ ]/ {
      if (length($0) > 30 && substr($0, 29, 2) == "  ") {
        spec = substr($0, 3, 26); sub(/ +$/, "", spec)
        description = substr($0, 31)
      } else {
        spec = substr($0, 3); description = ""
      }
      entry(spec, description)
      next
    }
    { line = $0; sub(/^ +/, "", line); print roff(line) }
  '
}

{
  echo '[SUBCOMMANDS]'
  # The subcommands in the order the program's help lists them.
  for command in $("$work/bin/kv3conv" --help | awk '/^Subcommands:/ { list = 1; next }
                                                     list && /^  [^ ]/ { print $1 }'); do
    echo ".SS \"$command\""
    "$work/bin/kv3conv" "$command" --help | subcommand_roff
  done
  echo
  cat "$here/kv3conv.h2m"
} > "$work/kv3conv.h2m"

PATH="$work/bin:$PATH" help2man --no-info --section=1 --manual="User Commands" \
  --name="migrate Kolvex 2.5 projects and report files to Kolvex 3" \
  --include="$work/kv3conv.h2m" --output="$work/kv3conv.1" kv3conv
gzip -9n < "$work/kv3conv.1" > "$output.tmp"
mv "$output.tmp" "$output"

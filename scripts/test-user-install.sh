#!/usr/bin/env bash
# Checks scripts/user-install.sh in scratch prefixes: uninstall leaves each
# prefix as it was before the install, whatever the user added or changed in
# between, and install overwrites nothing of the user's.
#   scripts/test-user-install.sh FOLDER
# FOLDER is an unpacked Linux folder (or a build tree) to install from.
# Prints PASS/FAIL lines and a closing "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$(realpath "${1:?usage: test-user-install.sh FOLDER}")
installer=$PWD/scripts/user-install.sh

passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
same() {  # same NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: expected '$2', got '$3'"; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
snapshot() {  # every path under $1 with its type, size, link target and content
  if [ -d "$1" ]; then
    (cd "$1" && find . -printf '%p %y %s %l\n' | LC_ALL=C sort &&
      find . -type f -exec sha256sum {} + | LC_ALL=C sort -k2)
  else
    echo '<none>'
  fi
}
install() { "$installer" install "$1" "$2" >"$work/out" 2>&1; }
uninstall() { "$installer" uninstall "$1" >"$work/out" 2>&1; }

# A prefix that already holds other things, one that does not exist yet and
# one whose path has a space and a dollar sign in it.
mkdir -p "$work/home1/.local/bin" "$work/home1/.local/share/applications"
echo other >"$work/home1/.local/bin/other"
for prefix in "$work/home1/.local" "$work/home2/.local" "$work/my \$home/.local"; do
  name=$(basename "$(dirname "$prefix")")
  before=$(snapshot "$prefix")
  if install "$source_dir" "$prefix" && [ -x "$prefix/bin/ormakin" ] &&
    [ -f "$prefix/share/ormakin/ormakin.ini" ]; then
    pass "install into $name"
  else
    fail "install into $name: $(cat "$work/out")"
  fi
  # The program's path, double-quoted; a $ takes two backslashes in the file.
  quoted=${prefix//\$/\\\\\$}/share/ormakin/ormakin
  same "the desktop entry in $name quotes the program's path" "Exec=\"$quoted\"" \
    "$(grep '^Exec=' "$prefix/share/applications/ormakin.desktop")"
  if command -v desktop-file-validate >/dev/null; then
    check "the desktop entry in $name is valid" \
      desktop-file-validate --no-hints "$prefix/share/applications/ormakin.desktop"
  fi
  uninstall "$prefix"
  same "uninstall leaves $name as it was" "$before" "$(snapshot "$prefix")"
done

prefix=$work/home3/.local
folder=$prefix/share/ormakin

# A settings file changed after installing is the user's, and stays.
install "$source_dir" "$prefix"
echo '; mine' >>"$folder/ormakin.ini"
uninstall "$prefix"
same "uninstall keeps a changed ormakin.ini and nothing else" "$folder/ormakin.ini" \
  "$(find "$prefix" -type f)"

# An ormakin.ini of the user's before any install: the install succeeds, says
# it keeps the file, and uninstall leaves the prefix as it found it.
before=$(snapshot "$prefix")
if install "$source_dir" "$prefix"; then
  pass "install beside the user's own ormakin.ini succeeds"
else
  fail "install beside the user's own ormakin.ini: $(cat "$work/out")"
fi
check "install says it keeps the user's ormakin.ini" grep -q "Keeping your $folder/ormakin.ini" "$work/out"
uninstall "$prefix"
same "uninstall after installing beside the user's ormakin.ini" "$before" "$(snapshot "$prefix")"
rm -rf "$work/home3"

# A desktop entry of the user's own is neither overwritten nor removed.
mkdir -p "$prefix/share/applications"
printf '[Desktop Entry]\nName=Mine\n' >"$prefix/share/applications/ormakin.desktop"
before=$(snapshot "$prefix")
install "$source_dir" "$prefix"
same "install keeps the user's desktop entry" "Name=Mine" \
  "$(sed -n 2p "$prefix/share/applications/ormakin.desktop")"
uninstall "$prefix"
same "uninstall leaves the user's desktop entry" "$before" "$(snapshot "$prefix")"
rm -rf "$work/home3"

# A link the user pointed elsewhere after installing stays.
install "$source_dir" "$prefix"
ln -sfn /bin/true "$prefix/bin/ormakin"
uninstall "$prefix"
same "uninstall keeps a link the user pointed elsewhere" /bin/true \
  "$(readlink "$prefix/bin/ormakin")"
check "uninstall removes the rest" [ ! -e "$folder" ]
rm -rf "$work/home3"

# A file of the same name that no install wrote: nothing is installed.
mkdir -p "$folder"
echo mine >"$folder/README"
before=$(snapshot "$prefix")
if install "$source_dir" "$prefix"; then
  fail "install over a file of the user's succeeds"
else
  pass "install over a file of the user's fails"
fi
check "the failed install names the file" grep -q "$folder/README" "$work/out"
same "the failed install changes nothing" "$before" "$(snapshot "$prefix")"
rm -rf "$work/home3"

# An older version with a file that the newer one no longer ships: the newer
# install removes it, and uninstall leaves nothing behind.
old=$work/old
cp -R "$source_dir/." "$old"
echo 'old' >"$old/CHANGES"
echo 'old' >>"$old/README"
before=$(snapshot "$prefix")
install "$old" "$prefix"
install "$source_dir" "$prefix"
check "the newer install removes the older version's files" [ ! -e "$folder/CHANGES" ]
check "the newer install replaces the older version's files" cmp -s "$source_dir/README" "$folder/README"
uninstall "$prefix"
same "uninstall after an update leaves the prefix as it was" "$before" "$(snapshot "$prefix")"

# An install by an earlier version of this script, whose manifest lists bare
# paths (folders with a trailing slash) and which kept a copy of the
# ormakin.ini it wrote: updated and then uninstalled cleanly, and its
# ormakin.ini, changed by the user, stays.
rm -rf "$work/home3"
legacy() {  # rewrites the manifest as the earlier version wrote it
  awk -F '\t' 'NR > 1 { print ($1 == "d") ? $3 "/" : $3 }' "$folder/.installed" >"$work/legacy"
  mv "$work/legacy" "$folder/.installed"
  cp "$folder/ormakin.ini" "$folder/.ormakin.ini.installed"
}
before=$(snapshot "$prefix")
install "$source_dir" "$prefix" && legacy
uninstall "$prefix"
same "uninstall of an earlier version's install" "$before" "$(snapshot "$prefix")"
install "$source_dir" "$prefix" && legacy
echo '; mine' >>"$folder/ormakin.ini"
install "$source_dir" "$prefix"
check "an update over an earlier version's install keeps the changed ormakin.ini" \
  grep -q '; mine' "$folder/ormakin.ini"
uninstall "$prefix"
same "uninstall after updating an earlier version's install" "$folder/ormakin.ini" \
  "$(find "$prefix" -type f)"

echo "user-install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Installs the program for one user, keeping the settings file beside it:
# the folder under PREFIX/share/ormakin, a link PREFIX/bin/ormakin (the
# program finds ormakin.ini through its real path) and a desktop entry with
# the icon. SOURCE is a build tree or an unpacked Linux folder.
#
# The manifest PREFIX/share/ormakin/.installed records only what install
# created, each file with the checksum of what was written and the link with
# its target. Uninstall removes a file only while it still holds that
# content and the link only while it still points there, so an ormakin.ini
# changed after installing, an ormakin.desktop of the user's own or a link
# pointed elsewhere all stay. Install never overwrites what is not its own:
# the user's ormakin.ini and desktop entry are kept, and a foreign link or
# file in the way stops it before anything is changed.
#   scripts/user-install.sh install SOURCE [PREFIX]
#   scripts/user-install.sh uninstall [PREFIX]
set -euo pipefail

usage="usage: user-install.sh install SOURCE [PREFIX] | uninstall [PREFIX]"
action=${1:?$usage}
if [ "$action" = install ]; then
  source_dir=${2:?the build tree or folder to install from}
  prefix=${3:-$HOME/.local}
else
  prefix=${2:-$HOME/.local}
fi
case "$prefix" in
*$'\n'* | *$'\t'*)
  echo "user-install.sh: the prefix must not hold a tab or a line break" >&2
  exit 2
  ;;
esac
folder=$prefix/share/ormakin
link=$prefix/bin/ormakin
entry=$prefix/share/applications/ormakin.desktop
manifest=$folder/.installed
manifest_header="# ormakin user install 2"
# Left by installs before the checksummed manifest: the ormakin.ini they wrote.
legacy_ini_copy=$folder/.ormakin.ini.installed

checksum() { sha256sum <"$1" | cut -d' ' -f1; }

# The manifest as kind, check and path (tab-separated): "f SHA256 path",
# "l TARGET path", "d - path". Earlier installs wrote bare paths, folders
# with a trailing slash; they are read as ours as they stand, except their
# ormakin.ini, which is ours only while it equals the copy they kept.
declare -A recorded_kind=() recorded_check=()
recorded_order=()
read_manifest() {
  [ -f "$manifest" ] || return 0
  local first kind check path
  first=$(head -n 1 "$manifest")
  if [ "$first" = "$manifest_header" ]; then
    while IFS=$'\t' read -r kind check path; do
      [ -n "$path" ] || continue
      recorded_kind[$path]=$kind
      recorded_check[$path]=$check
      recorded_order+=("$path")
    done < <(tail -n +2 "$manifest")
    return 0
  fi
  while IFS= read -r path; do
    [ -n "$path" ] || continue
    case "$path" in
    */) path=${path%/} kind=d check=- ;;
    "$link") kind=l check=$folder/ormakin ;;
    "$folder/ormakin.ini")
      kind=f
      if [ -f "$legacy_ini_copy" ]; then check=$(checksum "$legacy_ini_copy"); else check=unknown; fi
      ;;
    *)
      kind=f
      if [ -f "$path" ]; then check=$(checksum "$path"); else check=missing; fi
      ;;
    esac
    recorded_kind[$path]=$kind
    recorded_check[$path]=$check
    recorded_order+=("$path")
  done <"$manifest"
}

# Whether PATH is a file this program wrote and nobody changed since.
own_file() {
  [ "${recorded_kind[$1]:-}" = f ] && [ -f "$1" ] && [ ! -L "$1" ] &&
    [ "$(checksum "$1")" = "${recorded_check[$1]}" ]
}
# Whether PATH is the link this program made, still pointing where it did.
own_link() {
  [ "${recorded_kind[$1]:-}" = l ] && [ -L "$1" ] &&
    [ "$(readlink "$1")" = "${recorded_check[$1]}" ]
}

# The desktop entry's Exec argument, double-quoted: inside the quotes ", `, $
# and \ take a backslash, and the file's own escaping doubles every
# backslash; a % is doubled for the field codes.
exec_argument() {
  local s=$1
  s=${s//\\/\\\\\\\\}
  s=${s//\"/\\\\\"}
  s=${s//\`/\\\\\`}
  s=${s//\$/\\\\\$}
  s=${s//%/%%}
  printf '"%s"' "$s"
}
# A string value of the desktop entry: a backslash is written doubled.
string_value() { printf '%s' "${1//\\/\\\\}"; }

# Writes standard input whole to PATH: a temporary file beside it, then a rename.
write_whole() {
  local tmp
  tmp=$(mktemp "$(dirname "$1")/.ormakin-install.XXXXXX")
  if ! cat >"$tmp"; then
    rm -f "$tmp"
    return 1
  fi
  mv -f "$tmp" "$1"
}

stage=""
install_files() {
  if [ -f "$source_dir/CMakeCache.txt" ]; then
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    cmake --install "$source_dir" --prefix "$stage" >/dev/null
  elif [ -f "$source_dir/ormakin" ]; then
    stage=$source_dir
  else
    echo "user-install.sh: $source_dir is neither a build tree nor an unpacked folder" >&2
    exit 2
  fi
  read_manifest

  local rel dest
  local -a files=() dirs=() conflicts=()
  mapfile -t files < <(cd "$stage" && find . -type f ! -name .installed | sed 's|^\./||' | LC_ALL=C sort)
  mapfile -t dirs < <(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort)

  # Everything in the way is checked before anything changes.
  if { [ -e "$link" ] || [ -L "$link" ]; } && ! own_link "$link" &&
    [ "$(readlink "$link")" != "$folder/ormakin" ]; then
    echo "user-install.sh: $link exists and is not this program's link; nothing installed" >&2
    exit 1
  fi
  for rel in "${dirs[@]}"; do
    dest=$folder/$rel
    if { [ -e "$dest" ] || [ -L "$dest" ]; } && { [ -L "$dest" ] || [ ! -d "$dest" ]; }; then
      conflicts+=("$dest")
    fi
  done
  for rel in "${files[@]}"; do
    dest=$folder/$rel
    # A file that an earlier install wrote and the user changed is kept, as
    # ormakin.ini is; one that no install wrote stops the install.
    if { [ -e "$dest" ] || [ -L "$dest" ]; } && [ -z "${recorded_kind[$dest]:-}" ] &&
      [ "$rel" != ormakin.ini ] &&
      ! { [ -f "$dest" ] && [ ! -L "$dest" ] && cmp -s "$stage/$rel" "$dest"; }; then
      conflicts+=("$dest")
    fi
  done
  if [ ${#conflicts[@]} -gt 0 ]; then
    echo "user-install.sh: these are not this program's files; nothing installed:" >&2
    printf '  %s\n' "${conflicts[@]}" >&2
    exit 1
  fi

  local -a made_dirs=() lines=()
  local dir path
  for dir in "$prefix" "$prefix/share" "$folder" "$prefix/bin" "$prefix/share/applications"; do
    if [ ! -d "$dir" ]; then
      mkdir -p "$dir"
      made_dirs+=("$dir")
    fi
  done
  for rel in "${dirs[@]}"; do
    if [ ! -d "$folder/$rel" ]; then
      mkdir "$folder/$rel"
      made_dirs+=("$folder/$rel")
    fi
  done
  # Folders made by an earlier install are still ours.
  for path in "${recorded_order[@]}"; do
    [ "${recorded_kind[$path]}" = d ] && made_dirs+=("$path")
  done

  declare -A shipped=()
  for rel in "${files[@]}"; do
    dest=$folder/$rel
    shipped[$dest]=1
    if { [ -e "$dest" ] || [ -L "$dest" ]; } && ! own_file "$dest"; then
      # The user's own file, or an identical one that was already there:
      # left as it is and not recorded.
      if ! cmp -s "$stage/$rel" "$dest"; then echo "Keeping your $dest"; fi
      continue
    fi
    write_whole "$dest" <"$stage/$rel"
    chmod --reference="$stage/$rel" "$dest"
    lines+=("f"$'\t'"$(checksum "$dest")"$'\t'"$dest")
  done
  # Files of an earlier version that this one no longer ships.
  for path in "${recorded_order[@]}"; do
    [ "${recorded_kind[$path]}" = f ] || continue
    [ -z "${shipped[$path]:-}" ] || continue
    [ "$path" != "$entry" ] || continue
    if own_file "$path"; then
      rm -f "$path"
    elif [ -e "$path" ]; then
      echo "Keeping your changed $path"
    fi
  done

  if own_link "$link" || { [ ! -e "$link" ] && [ ! -L "$link" ]; }; then
    local tmp_link
    tmp_link=$(dirname "$link")/.ormakin-link.$$
    ln -sfn "$folder/ormakin" "$tmp_link"
    mv -fT "$tmp_link" "$link"
    lines+=("l"$'\t'"$folder/ormakin"$'\t'"$link")
  fi

  if { [ -e "$entry" ] || [ -L "$entry" ]; } && ! own_file "$entry"; then
    echo "Keeping your $entry; the program's own entry is $folder/ormakin.desktop"
  else
    sed -e "s|^Exec=.*|Exec=$(exec_argument "$folder/ormakin" | sed 's/[\\&|]/\\&/g')|" \
      -e "s|^Icon=.*|Icon=$(string_value "$folder/ormakin.png" | sed 's/[\\&|]/\\&/g')|" \
      "$stage/ormakin.desktop" | write_whole "$entry"
    lines+=("f"$'\t'"$(checksum "$entry")"$'\t'"$entry")
  fi

  # Deeper folders first, so that uninstall empties them in order.
  if [ ${#made_dirs[@]} -gt 0 ]; then
    mapfile -t made_dirs < <(printf '%s\n' "${made_dirs[@]}" | LC_ALL=C sort -ru)
  fi
  for dir in "${made_dirs[@]}"; do lines+=("d"$'\t'"-"$'\t'"$dir"); done
  { echo "$manifest_header"; printf '%s\n' "${lines[@]}"; } | write_whole "$manifest"
  rm -f "$legacy_ini_copy"
  echo "Installed in $folder; start it with $link or from the desktop's menu."
}

uninstall_files() {
  if [ ! -f "$manifest" ]; then
    echo "Nothing to uninstall: $manifest is missing."
    return 0
  fi
  read_manifest
  local path
  local -a dirs=()
  for path in "${recorded_order[@]}"; do
    case "${recorded_kind[$path]}" in
    d) dirs+=("$path") ;;
    l)
      if own_link "$path"; then
        rm -f "$path"
      elif [ -e "$path" ] || [ -L "$path" ]; then
        echo "Keeping $path: it no longer points to ${recorded_check[$path]}"
      fi
      ;;
    f)
      if own_file "$path"; then
        rm -f "$path"
      elif [ -e "$path" ]; then
        echo "Keeping your changed $path"
      fi
      ;;
    esac
  done
  rm -f "$manifest" "$legacy_ini_copy"
  if [ ${#dirs[@]} -gt 0 ]; then
    mapfile -t dirs < <(printf '%s\n' "${dirs[@]}" | LC_ALL=C sort -ru)
  fi
  for path in "${dirs[@]}"; do
    rmdir "$path" 2>/dev/null || true
  done
  echo "Uninstalled from $folder."
}

case "$action" in
install) install_files ;;
uninstall) uninstall_files ;;
*)
  echo "$usage" >&2
  exit 2
  ;;
esac

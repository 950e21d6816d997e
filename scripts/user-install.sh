#!/usr/bin/env bash
# Installs the program for one user, keeping the settings file beside it:
# the folder under PREFIX/share/ormakin, a link PREFIX/bin/ormakin (the
# program finds ormakin.ini through its real path) and a desktop entry with
# the icon. `uninstall` removes exactly what `install` made, and nothing of
# the user's: an ormakin.ini that was changed after installing stays.
#   scripts/user-install.sh install BUILD_DIR [PREFIX]
#   scripts/user-install.sh uninstall [PREFIX]
set -euo pipefail

action=${1:?usage: user-install.sh install BUILD_DIR [PREFIX] | uninstall [PREFIX]}
if [ "$action" = install ]; then
  build=${2:?the build tree to install from}
  prefix=${3:-$HOME/.local}
else
  prefix=${2:-$HOME/.local}
fi
folder=$prefix/share/ormakin
link=$prefix/bin/ormakin
entry=$prefix/share/applications/ormakin.desktop
# What install made: one path a line, the folders it created last, so that
# uninstall can remove them in order.
manifest=$folder/.installed

case "$action" in
install)
  if [ -e "$link" ] && [ "$(readlink "$link")" != "$folder/ormakin" ]; then
    echo "user-install.sh: $link exists and is not this program's link; left alone" >&2
    exit 1
  fi
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  cmake --install "$build" --prefix "$stage" >/dev/null

  created=()
  for dir in "$prefix" "$prefix/share" "$folder" "$prefix/bin" "$prefix/share/applications"; do
    if [ ! -d "$dir" ]; then
      mkdir -p "$dir"
      created+=("$dir")
    fi
  done
  # A settings file the user has already changed is theirs: kept.
  if [ -e "$folder/ormakin.ini" ] && ! cmp -s "$stage/ormakin.ini" "$folder/ormakin.ini"; then
    echo "Keeping your $folder/ormakin.ini"
    rm "$stage/ormakin.ini"
  fi
  old_manifest=$(cat "$manifest" 2>/dev/null || true)
  cp -R "$stage"/. "$folder"/
  ln -sfn "$folder/ormakin" "$link"
  sed -e "s|^Exec=.*|Exec=$folder/ormakin|" -e "s|^Icon=.*|Icon=$folder/ormakin.png|" \
    "$stage/ormakin.desktop" >"$entry"
  {
    (cd "$stage" && find . -type f | sed "s|^\./|$folder/|")
    echo "$link"
    echo "$entry"
    (cd "$stage" && find . -mindepth 1 -type d | sort -r | sed -e "s|^\./|$folder/|" -e 's|$|/|')
    # Folders made by an earlier install stay on the list.
    grep '/$' <<<"$old_manifest" || true
    for ((i = ${#created[@]} - 1; i >= 0; i--)); do echo "${created[$i]}/"; done
  } >"$manifest"
  # The copy of ormakin.ini as installed, to tell later whether it changed.
  cp "$stage/ormakin.ini" "$folder/.ormakin.ini.installed" 2>/dev/null ||
    [ -e "$folder/.ormakin.ini.installed" ]
  echo "Installed in $folder; start it with $link or from the desktop's menu."
  ;;
uninstall)
  if [ ! -f "$manifest" ]; then
    echo "Nothing to uninstall: $manifest is missing."
    exit 0
  fi
  dirs=()
  while IFS= read -r path; do
    case "$path" in
    */) dirs+=("${path%/}") ;;
    "$folder/ormakin.ini")
      if [ -e "$path" ] && ! cmp -s "$path" "$folder/.ormakin.ini.installed"; then
        echo "Keeping your changed $path"
      else
        rm -f "$path"
      fi
      ;;
    *) rm -f "$path" ;;
    esac
  done <"$manifest"
  rm -f "$manifest" "$folder/.ormakin.ini.installed"
  for dir in "${dirs[@]}"; do
    rmdir "$dir" 2>/dev/null || true
  done
  echo "Uninstalled from $folder."
  ;;
*)
  echo "usage: user-install.sh install BUILD_DIR [PREFIX] | uninstall [PREFIX]" >&2
  exit 2
  ;;
esac

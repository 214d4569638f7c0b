#!/usr/bin/env bash
# Checks that the dependencies between the program's folders run one way, downward:
#   check-layers.sh [source root]
# Each folder is one target (cmake/Folders.cmake). The order below is the layering of
# docs/ARCHITECTURE.md: a folder's CMakeLists.txt may link only folders before it, and
# its sources may include only "<folder>/..." headers of itself and of the folders it
# links, directly or through them; no "../" includes. A new folder takes its place in
# this list (a logic folder before widgets, a window before startup).
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/../.." && pwd)}"

order=(platform resources lessons dictionary playback drill answers learner widgets lesson_window dictation_window notebook_window startup)

declare -A rank closure
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done
status=0
fail() {
  echo "check-layers: $*" >&2
  status=1
}

# Every folder that makes a target must be in the order.
for cm in "$root"/*/CMakeLists.txt; do
  folder=$(basename "$(dirname "$cm")")
  if grep -q 'lesnor_folder_library(' "$cm" && [ -z "${rank[$folder]+x}" ]; then
    fail "$folder/ has no place in the layer order of tests/layers/check-layers.sh"
  fi
done

# The lesnor_* targets a folder names in its link calls, as folders.
links_of() {
  local cm="$1/CMakeLists.txt" folder="$1"
  [ -f "$root/$cm" ] || return 0
  tr '\n' ' ' <"$root/$cm" | grep -oE '(lesnor_folder_library|target_link_libraries)\([^)]*\)' |
    sed -E 's/^[a-z_]+\(//' | grep -oE 'lesnor_[a-z_]+' | sort -u | while read -r target; do
      local name=${target#lesnor_}
      case "$name" in
        warnings | "$folder") ;;
        carried) [ "$folder" = resources ] || echo resources ;; # resources' data target
        *) echo "$name" ;;
      esac
    done
}

for folder in "${order[@]}"; do
  [ -d "$root/$folder" ] || { fail "$folder/ is in the layer order but missing"; continue; }
  reach=" "
  for dep in $(links_of "$folder"); do
    if [ -z "${rank[$dep]+x}" ] || [ "${rank[$dep]}" -ge "${rank[$folder]}" ]; then
      fail "$folder/CMakeLists.txt links lesnor_$dep, which is not below $folder/"
      continue
    fi
    reach+="$dep ${closure[$dep]} "
  done
  closure[$folder]="$reach"

  while IFS= read -r line; do
    file=${line%%:*}
    path=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$line")
    case "$path" in
      ../* | */../*) fail "${file#"$root"/}: #include \"$path\" reaches out of its folder"; continue ;;
      */*) ;;
      *) continue ;; # a header of the same folder
    esac
    top=${path%%/*}
    [ "$top" = "$folder" ] && continue
    if [[ "$reach" != *" $top "* ]]; then
      fail "${file#"$root"/}: #include \"$path\" is not a folder below $folder/ that it links"
    fi
  done < <(find "$root/$folder" -type f \( -name '*.h' -o -name '*.cpp' \) -exec grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' {} + || true)
done

[ "$status" -eq 0 ] && echo "check-layers: every dependency between the folders runs downward"
exit "$status"

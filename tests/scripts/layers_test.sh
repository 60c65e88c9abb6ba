#!/usr/bin/env bash
# The program's layers, lowest first: surface, display, launcher. A file of
# one layer includes headers of its own layer or of a lower one, never of a
# higher one, and each folder's library is built from that folder's files
# only. Prints every breach; fails when there is one.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
layers=(surface display launcher)
breaches=0

rank_of_header() {  # the rank of the layer whose folder holds this header, or nothing
  local i
  for i in "${!layers[@]}"; do
    [ -f "$root/${layers[$i]}/$1" ] && { echo "$i"; return; }
  done
}

for i in "${!layers[@]}"; do
  folder=${layers[$i]}
  for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
    [ -f "$file" ] || continue
    while IFS= read -r header; do
      rank=$(rank_of_header "$(basename "$header")")
      if [ -n "$rank" ] && [ "$rank" -gt "$i" ]; then
        echo "BREACH: $folder/$(basename "$file") includes $header, of the higher layer ${layers[$rank]}"
        breaches=$((breaches + 1))
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
  if grep -n '\.\./' "$root/$folder/CMakeLists.txt"; then
    echo "BREACH: $folder/CMakeLists.txt builds a file of another folder (above)"
    breaches=$((breaches + 1))
  fi
done

[ "$breaches" -eq 0 ] || die "$breaches breaches of the layers above"
echo "layers: surface < display < launcher; no include runs upward, each library builds its own folder"

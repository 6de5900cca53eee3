#!/usr/bin/env bash
# The drawing tools still draw the pictures the build reads: each tool runs into a scratch tree
# and every file it writes must equal, byte for byte, the one committed beside the code.
# Usage: drawn_resources_test.sh <source root>
set -euo pipefail
root=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/tools" "$dir/devlib/res" "$dir/shell/res" "$dir/scripts/editor/res" "$dir/graph/dialogs/res" \
  "$dir/outputs/res"
cp "$root"/tools/canvas.py "$root"/tools/make_*.py "$dir/tools/"
tools=(make_button_faces make_devlib_bitmaps make_editor_tool_bitmaps make_graph_dialog_bitmaps
  make_marker_bitmaps make_output_icons make_status_bitmaps)
bad=0
for tool in "${tools[@]}"; do
  python3 "$dir/tools/$tool.py" || { echo "FAILED $tool did not run"; bad=1; }
done
count=0
while IFS= read -r -d '' file; do
  name=${file#"$dir"/}
  count=$((count + 1))
  if ! cmp -s "$file" "$root/$name"; then
    echo "FAILED $name differs from what the tools draw"
    bad=1
  fi
done < <(find "$dir" -path "$dir/tools" -prune -o -type f -print0)
[ "$count" -gt 0 ] || { echo "FAILED the tools wrote nothing"; bad=1; }
[ $bad -eq 0 ] && echo "$count drawn pictures match the committed ones."
exit $bad

#!/usr/bin/env bash
# Checks that every include between the plug-in's folders points down:
#   plugin -> {sc, touchstone} -> {dataset, text} -> rfcalc -> parallel,
# where text depends on nothing and dataset may use it, and parallel (the
# worker threads and their settings) includes nothing of ours and may be
# used by every folder; and that hostapi stays the bottom of the host
# contract. Prints every
# include that points up or sideways and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders it may include from besides itself
declare -A allowed=(
  [plugin]="sc touchstone dataset text rfcalc hostapi parallel"
  [sc]="dataset text rfcalc parallel"
  [touchstone]="dataset text rfcalc parallel"
  [dataset]="text rfcalc parallel"
  [text]="parallel"
  [rfcalc]="parallel"
  [parallel]=""
  [hostapi]=""
)
status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r line; do
    target=${line#*#include \"}
    target=${target%%/*}
    case " $folder ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "upward or sideways include: $line"; status=1 ;;
    esac
  done < <(grep -rn '#include "[a-z_]*/' "$folder" --include='*.h' --include='*.cpp' || true)
done
exit $status

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
  [host]="hostapi"
  [tools]="tools/cli tools/session tools/output host hostapi"
  [tools/cli]="tools/session tools/output host hostapi"
  [tools/commands]="tools/cli tools/names tools/plot tools/session tools/output host hostapi
                    plugin touchstone dataset text rfcalc"
  [tools/names]="tools/session tools/output host hostapi"
  [tools/plot]="tools/output host hostapi parallel"
  [tools/render]="tools/plot"
  [tools/session]="tools/output host hostapi dataset plugin"
  [tools/output]="host hostapi"
)

# Headers of the reader that any room of the tool may include: they state
# facts the tool shares with the plug-in and depend on nothing.
shared_headers="dataset/waveform_groups.h rfcalc/singular_matrix_report.h"

# The room an include names: the folder of a tool's file ("tools/cli"),
# else the top folder ("dataset").
roomOf() {
  case "$1" in
    tools/*/*) local rest=${1#tools/}; echo "tools/${rest%%/*}" ;;
    tools/*) echo tools ;;
    *) echo "${1%%/*}" ;;
  esac
}

status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  # tools/ alone holds korvel.cpp; its rooms are checked on their own.
  depth=()
  [ "$folder" = tools ] && depth=(-maxdepth 1)
  # One blank between the words, whatever lines the list runs over.
  words=" $folder $(echo ${allowed[$folder]}) "
  while IFS= read -r line; do
    target=${line#*#include \"}
    target=${target%%\"*}
    case "$folder:$target" in
      tools*:*) case " $shared_headers " in *" $target "*) continue ;; esac ;;
    esac
    target=$(roomOf "$target")
    case "$words" in
      *" $target "*) ;;
      *) echo "upward or sideways include: $line"; status=1 ;;
    esac
  done < <(find "$folder" "${depth[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
             xargs -0 -r grep -Hn '#include "[a-z_]*/' || true)
done
exit $status

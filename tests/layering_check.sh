#!/bin/sh
# The engine's folders form floors; a file includes headers only from its own
# folder and from folders below it, so the module graph has no cycles.
#
#   run                              the main sequence, the work run, completion
#   ui  uninstall  install  shell    the dialogs and the engines
#   status  package  log             progress and cancel, the package, the log
#   text                             formatting, the message table, the boxes
#   platform                         the operating system (win32 or simulated)
#
# Within a floor the order below is the rule too (uninstall uses install's
# helpers, the cancel poll logs). Two files stand apart: the run state
# run/run.h (with the package records it holds, package/records.h), which
# every floor includes and which includes only the platform; and the Windows
# entry point, which starts the main sequence.
#
# Usage: layering_check.sh [source root]   (prints each offending line)
root=${1:-$(dirname "$0")/..}
order="platform text log package status shell install uninstall ui run"

rank() {
    i=0
    for folder in $order; do
        [ "$folder" = "$1" ] && { echo $i; return; }
        i=$((i + 1))
    done
    echo -1
}

faults=0
cd "$root/src" || exit 2
for file in $(find . -name '*.cpp' -o -name '*.h' -o -name '*.rc' | sed 's#^\./##' | sort); do
    from=${file%%/*}
    from_rank=$(rank "$from")
    if [ "$from_rank" -lt 0 ]; then
        echo "$file: folder '$from' has no floor"
        faults=$((faults + 1))
        continue
    fi
    case $file in
        run/run.h | package/records.h) from_rank=0 ;;  # below every floor but the platform's
    esac
    for header in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
        to=${header%%/*}
        [ "$to" = "$header" ] && continue            # a file beside it
        to_rank=$(rank "$to")
        [ "$to_rank" -lt 0 ] && continue             # not the engine's (tools' formats)
        case $header in
            run/run.h | package/records.h) [ "$file" != package/records.h ] && continue ;;
        esac
        [ "$file" = platform/win32/winmain.cpp ] && [ "$header" = run/main_sequence.h ] && continue
        if [ "$to_rank" -gt "$from_rank" ]; then
            echo "$file includes $header from a higher floor"
            faults=$((faults + 1))
        fi
    done
done
[ "$faults" -eq 0 ] && echo "layering: no file includes from a higher floor" && exit 0
echo "layering: $faults faults"
exit 1

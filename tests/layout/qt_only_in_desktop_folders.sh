#!/usr/bin/env bash
# Fails when a Qt header is included outside src/gui, src/dialogs and src/views.
set -u
root=$1
hits=$(grep -rnE '^\s*#\s*include\s*[<"]Q[A-Za-z]*(/|>|")' \
    "$root/src" "$root/tests" "$root/bench" "$root/tools" 2>/dev/null |
    grep -vE "^$root/src/(gui|dialogs|views)/" |
    grep -vE "^$root/tests/(gui|dialogs|views)/")
if [ -n "$hits" ]; then
    echo "Qt headers outside the desktop folders:"
    echo "$hits"
    exit 1
fi
exit 0

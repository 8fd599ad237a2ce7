#!/bin/sh
# Compares the dynamic symbols a library defines with the expected list:
# every export must be there, and nothing else may be.
# usage: check_exports.sh LIBRARY EXPECTED_LIST
set -eu
lib=$1
want=$2
got=$(mktemp)
trap 'rm -f "$got"' EXIT
nm -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u > "$got"
missing=$(sort -u "$want" | comm -23 - "$got")
extra=$(sort -u "$want" | comm -13 - "$got")
status=0
if [ -n "$missing" ]; then
    echo "missing exports:"; echo "$missing"; status=1
fi
if [ -n "$extra" ]; then
    echo "unexpected exports:"; echo "$extra"; status=1
fi
[ $status -eq 0 ] && echo "$(wc -l < "$got") exports, as expected"
exit $status

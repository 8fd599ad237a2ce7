#!/bin/sh
# The library never resolves host names: it must not even import the
# resolver's functions (a lookup blocks for an unbounded time and sends a
# query off the machine).  Addresses are taken as numeric IPv4 texts.
# usage: check_no_lookup.sh LIBRARY
set -eu
found=$(nm -D --undefined-only "$1" | awk '{ print $NF }' | sed 's/@.*//' |
        grep -E '^(getaddrinfo|gethostbyname.*|gethostbyaddr.*|getnameinfo|res_.*|__res_.*|inet_aton|inet_addr)$' || true)
if [ -n "$found" ]; then
    echo "the library imports name lookup functions:"; echo "$found"; exit 1
fi
echo "no name lookup functions imported"

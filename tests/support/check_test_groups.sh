#!/bin/sh
# A test executable run as several CTest entries, each a group of its test functions: every
# function it has must be in a group, and every name in a group must be a function.
# $1: the executable; the rest: the functions the groups name.
exe=$1
shift
have=$("$exe" -functions | sed 's/()$//' | sort)
named=$(printf '%s\n' "$@" | sort)
if [ "$have" != "$named" ]; then
    echo "the groups and the functions of $exe differ (< functions, > groups):"
    printf '%s\n' "$have" >"${TMPDIR:-/tmp}/have.$$"
    printf '%s\n' "$named" | diff "${TMPDIR:-/tmp}/have.$$" - 
    rm -f "${TMPDIR:-/tmp}/have.$$"
    exit 1
fi

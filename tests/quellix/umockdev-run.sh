#!/bin/sh
# Runs a test program under libumockdev-preload, as umockdev-wrapper does. In
# the sanitizer builds the sanitizer runtime is no longer the first library
# loaded; the preload only wraps calls into libc, so that check is turned off.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
exec umockdev-wrapper "$@"

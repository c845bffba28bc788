#!/usr/bin/env bash
# Builds everything into build/ and runs every test through CTest.
source "$(dirname "$0")/tools/bootstrap.sh"
marrowtick_build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"

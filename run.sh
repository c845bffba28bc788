#!/usr/bin/env bash
# Builds into build/ and runs the marrowtick runner with the given arguments.
source "$(dirname "$0")/tools/bootstrap.sh"
marrowtick_build build
exec build/bin/marrowtick "$@"

#!/usr/bin/env bash
# The one build configuration of build/, shared by run-praxon.sh and run-tests.sh: both configure
# the tree with exactly these settings, so whichever runs second only builds what the first did
# not. Sourced from the repository's root.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRAXON_WERROR=ON >/dev/null

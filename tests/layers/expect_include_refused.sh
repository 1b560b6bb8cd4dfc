#!/usr/bin/env bash
# Builds a target that includes a header its layer may not see, and passes only when the
# build fails because the compiler could not find that header: a failure for any other
# reason, or a build that succeeds, means the layer is no longer kept by the build.
#   expect_include_refused.sh BUILD_DIR TARGET HEADER
set -uo pipefail
build=$1 target=$2 header=$3
out=$(cmake --build "$build" --target "$target" 2>&1)
status=$?
echo "$out"
if [[ $status -eq 0 ]]; then
    echo "FAIL: $target built: its layer sees $header"
    exit 1
fi
# GCC's and Clang's words for a missing header.
if grep -qF -e "$header: No such file or directory" -e "'$header' file not found" <<<"$out"; then
    exit 0
fi
echo "FAIL: $target failed to build, but not because $header was out of its reach"
exit 1

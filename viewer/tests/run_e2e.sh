#!/usr/bin/env bash
# run_e2e.sh TREE ARCTOOL: the viewer's end-to-end test, with arctool's listing of
# the sample archive as the expectation.
set -euo pipefail
tree=$1 arctool=$2
sample="$tree/bin/samples/sample.lzh"
[ -f "$sample" ] || "$(dirname "$0")/../../tools/make_sample" "$arctool" "$sample" >/dev/null
listing="$tree/viewer-e2e-listing.txt"
"$arctool" list "$sample" >"$listing"
export SAMPLE_ARCHIVE="Z:$(echo "$sample" | tr / '\\')"
export EXPECTED_LISTING="Z:$(echo "$listing" | tr / '\\')"
export WINEDEBUG=-all
[ -d "$tree/unzip32-archives" ] && export UNZIP32_ARCHIVES="$tree/unzip32-archives"
exec "$(dirname "$0")/../../tools/wine-run" "$tree/bin/viewer_e2e_test.exe" --gtest_color=no

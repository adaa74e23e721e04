#!/usr/bin/env bash
# Usage: scripts/perf/paint-share.sh [PAIRS]   (needs Xvfb and xdotool; builds in /tmp)
# What painting costs TVXv17 at the line rate: the program as it is, with its readouts shown at a
# third of the frames, without the readouts' paints, and without any live paint (readouts,
# marker, surface marks), each against the bare poll-and-read, alternating (outside-vs-bare.sh). The variants are this commit with the patches
# of scripts/perf/paint-variants applied, built RelWithDebInfo in a worktree of their own.
set -euo pipefail
cd "$(dirname "$0")/../.."
pairs=${1:-3}
tree=/tmp/tvx-paint-share
out=/tmp/tvx-paint-share-bin
git worktree remove --force "$tree" 2>/dev/null || true
git worktree add --detach "$tree" HEAD >/dev/null
rm -rf "$out"
build() { # NAME: build TVXv17 (and the line's two ends) into $out/NAME
    cmake --build "$tree/build" -j"$(nproc)" --target TVXv17 tvxsim tvx_bare_reader >/dev/null
    mkdir -p "$out/$1"
    cp "$tree"/build/bin/{TVXv17,tvxsim,tvx_bare_reader} "$out/$1/"
}
cmake -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
build as-is
git -C "$tree" apply "$PWD/scripts/perf/paint-variants/readouts-at-20-hz.patch"
build readouts-at-20-hz
git -C "$tree" checkout -q .
git -C "$tree" apply "$PWD/scripts/perf/paint-variants/no-readouts.patch"
build no-readouts
git -C "$tree" apply "$PWD/scripts/perf/paint-variants/no-marker-or-surface.patch"
build no-live-paint
git worktree remove --force "$tree"
bash scripts/perf/outside-vs-bare.sh "$out/as-is" "$pairs" "$out/readouts-at-20-hz" "$out/no-readouts" "$out/no-live-paint"

#!/usr/bin/env bash
# Builds and starts one of the two programs: ./run.sh [vostrel [FILE [OVERLAY...]] | quelbrin [FILE]]
# (vostrel by default)
set -euo pipefail
cd "$(dirname "$0")"

program=${1:-vostrel}
shift $(($# > 0 ? 1 : 0))
case "$program" in
  vostrel) target=vostrel; binary=build/viewer/vostrel ;;
  quelbrin) target=quelbrin; binary=build/tracer/quelbrin ;;
  *)
    echo "usage: ./run.sh [vostrel [FILE [OVERLAY...]] | quelbrin [FILE]]" >&2
    exit 2
    ;;
esac

scripts/setup.sh build
cmake --build build --target "$target" -j "$(nproc)" >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display to show $program on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "On a machine without a screen, start it on a virtual one:" >&2
  echo "  sudo apt-get install -y xvfb xauth" >&2
  echo "  xvfb-run -s '-screen 0 1920x1080x24' ./run.sh $program" >&2
  exit 1
fi

exec "$binary" "$@"

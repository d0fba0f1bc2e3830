#!/usr/bin/env bash
# Installs what is missing, builds, and starts the suite: the service hidagent (which starts the
# tray program), the virtual mouse mousesim when no real mouse is plugged in, and the configuration
# window cfgpanel when a display is available.
# Ctrl+C stops everything this script started.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
scripts/build build --targets hidagent mousesim korvante-msg traylet cfgpanel skin_pictures
bin=$PWD/build/bin

real_mouse=0
for d in /sys/bus/hid/devices/*:04D9:F307.*; do
  [[ -e "$d" ]] && real_mouse=1 && break
done

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [[ $real_mouse -eq 0 ]]; then
  export KORVANTE_TRANSPORT=sim
  if "$bin/mousesim" stats >/dev/null 2>&1; then
    echo "The virtual mouse is already running."
  else
    echo "No KORVANTE mouse found: starting the virtual mouse (mousesim)."
    "$bin/mousesim" serve &
    pids+=($!)
  fi
fi
open_window() {
  if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    echo "Opening the configuration window (cfgpanel)."
    "$bin/cfgpanel" &
    pids+=($!)
  else
    echo "No display: the configuration window is not opened."
  fi
}

if "$bin/korvante-msg" find KORVANTEHidAgent; then
  echo "hidagent is already running."
  open_window
  [[ ${#pids[@]} -gt 0 ]] && wait "${pids[-1]}"
  exit 0
fi

echo "Starting hidagent. Try, in another terminal:"
echo "  $bin/korvante-msg find KORVANTEHidAgent"
[[ $real_mouse -eq 0 ]] && echo "  $bin/mousesim dump 0x2c 2      # current profile in the mouse"
"$bin/hidagent" &
agent=$!
pids+=($agent)
open_window
wait "$agent"

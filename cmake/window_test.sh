#!/usr/bin/env bash
# Starts one window test. CORVANE_WINDOW_TESTS_ON says where its windows go: "offscreen" (the
# default, no display at all) or "xvfb", a real X server of the test's own, so that focus and
# activation behave as on a desktop and tests running side by side never take each other's focus.
set -euo pipefail
case "${CORVANE_WINDOW_TESTS_ON:-offscreen}" in
  offscreen)
    export QT_QPA_PLATFORM=offscreen
    exec "$@"
    ;;
  xvfb)
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    server=$!
    trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
    display=""
    read -r -t 20 display <&"$fd" || true
    if [[ -z $display ]]; then
      echo "window_test.sh: Xvfb did not start" >&2
      exit 1
    fi
    export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
    "$@"
    ;;
  *)
    echo "window_test.sh: CORVANE_WINDOW_TESTS_ON is offscreen or xvfb" >&2
    exit 2
    ;;
esac

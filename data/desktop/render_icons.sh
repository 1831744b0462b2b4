#!/usr/bin/env bash
# Renders the program icon's PNG sizes for the hicolor theme from its drawing (needs rsvg-convert,
# Debian's librsvg2-bin). The PNGs are kept in the checkout, so building needs no renderer: run
# this after changing the drawing and commit what it writes (force-added: the checkout ignores *.png).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" org.corvane.Corvane.svg -o "icons/${size}x${size}/org.corvane.Corvane.png"
done

#!/usr/bin/env bash
# Draws docs/architecture.png from docs/architecture.dot (needs Graphviz's
# dot: apt install graphviz).
set -euo pipefail
cd "$(dirname "$0")/.."
dot -Tpng -Gdpi=96 docs/architecture.dot -o docs/architecture.png

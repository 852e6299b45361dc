#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing, then the npm packages of the tests (tests/node).
# As root it runs apt-get; otherwise it prints the command to run and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make libboost-dev libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libtomlplusplus-dev liburing-dev chromium)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
# Node may come from elsewhere than Debian; only its absence asks for Debian's.
if ! command -v node > /dev/null || ! command -v npm > /dev/null; then
    missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages: ${missing[*]}" >&2
        echo "install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi

# The exact versions of package-lock.json, installed again when it changes.
node_dir=tests/node
if [ ! -f "$node_dir/node_modules/.package-lock.json" ] ||
   [ "$node_dir/package-lock.json" -nt "$node_dir/node_modules/.package-lock.json" ]; then
    echo "installing the npm test packages in $node_dir"
    npm ci --prefix "$node_dir" --no-audit --no-fund --loglevel=error
fi

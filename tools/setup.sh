#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages that are missing,
# then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev
          libgtest-dev libgmock-dev zip unzip xvfb xauth fonts-dejavu-core fonts-liberation)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
if [ ! -f build/build.ninja ]; then
  # g++ unless CXX names another compiler (clang++ builds it as well).
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DCMAKE_CXX_COMPILER="${CXX:-g++}"
fi
cmake --build build --parallel "$(nproc)"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
cd "$(dirname "$0")"
source ./scripts_common.sh
kelvane_install
kelvane_build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"

# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail
KELVANE_PACKAGES="build-essential cmake qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev libbenchmark-dev fonts-dejavu-core xvfb xauth imagemagick"

kelvane_install() {
  local missing=()
  for p in $KELVANE_PACKAGES; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
  fi
}

kelvane_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)"
}

#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# As root it uses apt-get; otherwise it names what is missing and stops.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64 wine64 wine xvfb xauth
  libsndfile1-dev libebur128-dev libpng-dev libcli11-dev nlohmann-json3-dev
  libx11-dev libxdamage-dev libxcomposite-dev libcairo2-dev libfontconfig-dev libfreetype-dev
  espeak-ng sox ffmpeg python3 python3-pil python3-matplotlib python3-jsonschema fonts-dejavu-core fonts-liberation
  zam-plugins lsp-plugins-vst ardour qtractor
  clang libclang-rt-14-dev clang-format
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]} (run as root, or install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

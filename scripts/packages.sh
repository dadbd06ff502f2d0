# Installs the Debian packages named in its arguments that are not installed yet (apt-get, as
# root or through sudo). Installs nothing when everything is there. Sourced by run.sh and test.sh.

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo="sudo"
    else
      echo "Packages missing (${missing[*]}) and neither root nor sudo is available." >&2
      return 1
    fi
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# What building and running the program needs.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
  libgstreamer1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav libxcb1-dev)
# What the tests need besides: GoogleTest and the MinGW-w64 cross compiler for the Windows build,
# an engine of the game's family (ioquake3's dedicated server), a window manager for Xvfb.
TEST_PACKAGES=(libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix gstreamer1.0-tools
  gstreamer1.0-plugins-bad
  wine64 fonts-wine xvfb xauth openbox
  ioquake3-server
  clang libclang-rt-14-dev clang-format clang-tidy)

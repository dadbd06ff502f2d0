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

# Makes the locales named (ll_CC.UTF-8) that the machine does not have yet (localedef, as root
# or through sudo). Wine takes a program's ANSI code page from the locale (pl_PL.UTF-8 gives 1250,
# ru_RU.UTF-8 gives 1251) and falls back to 1252 for a locale the machine lacks.
ensure_locales() {
  local wanted
  local sudo=""
  [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1 && sudo="sudo"
  for wanted in "$@"; do
    local short=${wanted%.UTF-8}
    if ! locale -a 2>/dev/null | grep -qix "$short.utf8\|$wanted"; then
      echo "Making the locale $wanted"
      $sudo localedef -i "$short" -f UTF-8 "$wanted" >/dev/null 2>&1 ||
        echo "Cannot make the locale $wanted: the tests in its code page will fail." >&2
    fi
  done
}
# The locales of the code pages the Windows tests run in besides Windows-1252.
TEST_LOCALES=(pl_PL.UTF-8 ru_RU.UTF-8)

# What building and running the program needs (rsvg-convert renders its icon).
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
  libgstreamer1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav libxcb1-dev librsvg2-bin)
# What making the Debian package needs besides (scripts/package-linux.sh): dpkg-buildflags and
# dpkg-shlibdeps, and file, with which CPack finds the programs to ask dpkg-shlibdeps about.
PACKAGE_PACKAGES=(dpkg-dev file)
# What making the Windows zip needs besides (scripts/package-windows.sh): icotool packs the
# program's icon.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix icoutils)
# What the tests need besides: GoogleTest and the MinGW-w64 cross compiler for the Windows build,
# an engine of the game's family (ioquake3's dedicated server), a window manager for Xvfb and a
# keyboard for it (xdotool), the checkers of the Debian package and its menu entry, and a session
# bus of the tests' own (dbus-run-session) with the desktop's media-player clients (playerctl,
# gdbus) that drive the program through MPRIS.
TEST_PACKAGES=(libgtest-dev libgmock-dev "${PACKAGE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
  gstreamer1.0-tools gstreamer1.0-plugins-bad
  dbus-daemon playerctl libglib2.0-bin
  wine64 fonts-wine xvfb xauth openbox xdotool locales
  ioquake3-server
  clang libclang-rt-14-dev clang-format clang-tidy
  lintian desktop-file-utils appstream)

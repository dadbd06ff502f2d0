#!/usr/bin/env bash
# Makes the Windows release: dist/parlevox-<version>-windows-x64.zip, which runs after unzipping
# with nothing else installed. It holds parlevox.exe, the Qt DLLs and plugins it loads, the MinGW
# runtime DLLs that Qt's DLLs import, an empty Saves folder and a short text on how to start it.
#
#   scripts/package-windows.sh [BUILD_DIR]     (default build/windows)
#
# Qt for MinGW comes from scripts/build-qt-windows.sh (unpacked or built once, then cached);
# parlevox.exe is cross-built in BUILD_DIR by the "windows" preset (CMakePresets.json). Prints the
# zip's path. JOBS sets the build's parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build/windows}"
jobs="${JOBS:-2}"

die() {
  echo "package-windows.sh: $*" >&2
  exit 1
}

source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" >&2
qt=$(scripts/build-qt-windows.sh) || die "no Qt for Windows"
# The "windows" configure preset, with the Qt just found.
PARLEVOX_QT_WINDOWS="$qt" cmake --preset windows -B "$build" >/dev/null
nice -n 10 cmake --build "$build" -j "$jobs" --target parlevox >&2

version=$(sed -n 's/^project(parlevox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "no version in CMakeLists.txt"
name="parlevox-$version-windows-x64"
gcc_runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
thread_runtime=/usr/x86_64-w64-mingw32/lib

stage="$build/package/$name"
rm -rf "$build/package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/Saves" dist
cp "$build/parlevox.exe" "$stage/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$stage/"
# The platform plugin, and the style Qt picks on Windows when it is there (without it the
# windows look like Windows 95).
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# Qt's DLLs import the MinGW runtime (parlevox.exe carries its own copy, linked statically).
cp "$gcc_runtime/libstdc++-6.dll" "$gcc_runtime/libgcc_s_seh-1.dll" \
  "$thread_runtime/libwinpthread-1.dll" "$stage/"
# Without their debugging sections the DLLs are a third of the size.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll
# Windows readers expect CR LF.
sed 's/$/\r/' packaging/windows/README.txt >"$stage/README.txt"

# Every DLL a shipped file imports is either shipped or part of Windows: a missing one would only
# show on a player's machine.
objdump=x86_64-w64-mingw32-objdump
if command -v "$objdump" >/dev/null; then
  shipped=$(cd "$stage" && find . -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
  while IFS= read -r file; do
    while IFS= read -r dll; do
      lower=$(echo "$dll" | tr 'A-Z' 'a-z')
      grep -qx "$lower" <<<"$shipped" && continue
      [ -f "/usr/x86_64-w64-mingw32/lib/lib${lower%.dll}.a" ] ||
        [[ "$lower" == api-ms-win-* ]] || die "$file imports $dll, which is not shipped"
    done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  done < <(find "$stage" -iname '*.exe' -o -iname '*.dll')
fi

zip="$root/dist/$name.zip"
rm -f "$zip"
(cd "$build/package" && cmake -E tar cf "$zip" --format=zip -- "$name")
echo "$zip"

#!/usr/bin/env bash
# The main job: installs what is missing, builds the shipped 32-bit
# Vardelo.dll and the native build, then shows the plug-in at work. A host
# directory is laid out with the simulated hygrometer in its plugins folder,
# the registry stand-in is told where it is, and vardelo-probe loads the
# module as Korvanel does and prints its answers.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh

for preset in win32 native; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

build=build/native
host=$(mktemp -d)
trap 'rm -rf "$host"' EXIT
mkdir -p "$host/plugins"
cp "$build/tools/simulated_hygrometer/HidFTDll.dll" "$host/plugins/HidFTDll.dll"
printf '[Software\\Brindlow Korvanel\\General]\nDirPath=sz:%s\n' "$host" >"$host/hkcu.hive"
export VARDELO_STANDIN_HKCU="$host/hkcu.hive"
export VARDELO_SIM_DEVICES="21.5:40,18.25:63.5"

probe() {
  local shown=""
  for argument in "$@"; do shown+=" \"$argument\""; done
  echo "GetData($shown ) -> $("$build/tools/probe/vardelo-probe" "$build/plugin/Vardelo.so" "$@")"
}

echo
echo "== the plug-in describes itself"
"$build/tools/probe/vardelo-probe" --info "$build/plugin/Vardelo.so"

echo
echo "== readings of two simulated hygrometers (21.5 °C, 40 % and 18.25 °C, 63.5 %)"
probe "[tempC] °C  [hum] %  dew point [dew] °C" 0 1
probe "[tempF] °F  [humW] %  dew point [dew] °C, [devcnt] devices" 1 2
probe "[tempC] °C calibrated by -0.5, [hum] % by +2.5" 0 1 -0.5 2.5
probe "[tempC]" 2
probe "[tempC]" abc 0

echo
echo "== without a host installation"
VARDELO_STANDIN_HKCU="$host/missing.hive" probe "[tempC]"

echo
echo "== the shipped plug-in: build/win32/plugin/Vardelo.dll"
i686-w64-mingw32-objdump -p build/win32/plugin/Vardelo.dll | awk '
  /DLL Name:/ { imports = imports " " $NF }
  /^\t\[ *[0-9]+\] [A-Za-z_]/ { exports = exports " " $NF }
  END { print "imports:" imports; print "exports:" exports }'

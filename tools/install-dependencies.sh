#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and this
# machine lacks (Debian 12). Quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
  clang libclang-rt-14-dev clang-format valgrind locales
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  sudo=()
  if ((EUID != 0)); then sudo=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale with a decimal comma, to show that numbers do not depend on it.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  sudo=()
  if ((EUID != 0)); then sudo=(sudo); fi
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

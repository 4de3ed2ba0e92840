# Sourced by the scripts that run test programs. Sets test_build (the build folder),
# toolchain (its CMake toolchain file) and wineserver (the server of its Wine prefix).
# The tests run the i686 build under 32-bit Wine. Some machines start their kernel with
# 32-bit emulation off; there an x86-64 build of the same sources runs under wine64 instead,
# and the scripts say so.
choose_test_build() {   # choose_test_build TOP
    if "$1/scripts/can-run-32bit"; then
        test_build="$1/build/i686" toolchain="$1/cmake/mingw-i686.cmake"
        wineserver=/usr/lib/wine/wineserver32
        test_32bit=1
    else
        echo "$(basename "$0"): this machine cannot execute 32-bit programs (its kernel" \
             "refuses i386 code); using the x86-64 build under wine64 instead." >&2
        test_build="$1/build/x64" toolchain="$1/cmake/mingw-x86_64.cmake"
        wineserver=/usr/lib/wine/wineserver64
        test_32bit=
    fi
}

# SPDX-License-Identifier: MIT
# Cross-builds for 64-bit ARM with Debian's multiarch: the aarch64-linux-gnu
# compilers, the arm64 libraries beside the host's, Qt's host tools, and qemu
# to run the programs that the build and the tests start.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch keeps each architecture's libraries and CMake packages in its own
# folder under /usr/lib, so this alone points every find_* at the arm64 ones.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# moc, uic and rcc run on the build machine: Qt finds them through the host's
# own Qt packages.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
    OUTPUT_VARIABLE velmor_build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${velmor_build_multiarch}/cmake)

find_program(VELMOR_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMOR_QEMU_AARCH64})

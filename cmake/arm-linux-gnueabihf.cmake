# 32-bit ARM, hard-float (ARMv7): Debian's g++-arm-linux-gnueabihf.
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
set(NORLET_CROSS_TRIPLE arm-linux-gnueabihf)
set(NORLET_CROSS_PROCESSOR arm)
set(NORLET_QEMU_NAME arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

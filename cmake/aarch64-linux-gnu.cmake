# 64-bit ARM: Debian's g++-aarch64-linux-gnu.
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(NORLET_CROSS_TRIPLE aarch64-linux-gnu)
set(NORLET_CROSS_PROCESSOR aarch64)
set(NORLET_QEMU_NAME aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

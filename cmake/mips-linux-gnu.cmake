# 32-bit big-endian MIPS (o32): Debian's g++-mips-linux-gnu.
#   cmake -S . -B build-mips -DCMAKE_TOOLCHAIN_FILE=cmake/mips-linux-gnu.cmake
set(NORLET_CROSS_TRIPLE mips-linux-gnu)
set(NORLET_CROSS_PROCESSOR mips)
set(NORLET_QEMU_NAME mips)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

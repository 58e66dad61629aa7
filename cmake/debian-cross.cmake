# Shared part of the cross toolchain files: Debian's cross compilers for
# NORLET_CROSS_TRIPLE, the target's libraries from Debian's multiarch folders
# (/usr/lib/TRIPLE and /usr/include/TRIPLE, where NAME:ARCH packages install),
# and qemu-user to run what was built, so that ctest and test discovery work
# on this machine without binfmt_misc.
#
# Expects NORLET_CROSS_TRIPLE (arm-linux-gnueabihf, aarch64-linux-gnu,
# mips-linux-gnu), NORLET_CROSS_PROCESSOR (arm, aarch64, mips) and
# NORLET_QEMU_NAME (arm, aarch64, mips).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${NORLET_CROSS_PROCESSOR})
set(CMAKE_LIBRARY_ARCHITECTURE ${NORLET_CROSS_TRIPLE})

set(CMAKE_C_COMPILER ${NORLET_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${NORLET_CROSS_TRIPLE}-g++)

# The target's run-time files (dynamic loader, libc, libstdc++ for the tests)
# as the cross compiler packages install them. qemu looks there first, and
# the guest's library path keeps the C library beside that loader: once a
# NAME:ARCH package has brought the multiarch libc of another Debian revision,
# the host's ld.so.cache would pair the two, and they crash on fork.
set(NORLET_CROSS_RUNTIME_ROOT /usr/${NORLET_CROSS_TRIPLE})

# qemu-user-static first: a dynamically linked qemu would itself be given the
# target's LD_PRELOAD (the fake panel) by the host's loader and complain.
find_program(NORLET_QEMU NAMES qemu-${NORLET_QEMU_NAME}-static qemu-${NORLET_QEMU_NAME}
             DOC "qemu-user emulator that runs the cross-built tests")
if(NORLET_QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${NORLET_QEMU} -L ${NORLET_CROSS_RUNTIME_ROOT}
        -E LD_LIBRARY_PATH=${NORLET_CROSS_RUNTIME_ROOT}/lib)
endif()

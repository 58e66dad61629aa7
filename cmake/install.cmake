# What `cmake --install` puts into a prefix (a firmware image's /usr, or a
# developer's own):
#
#   bin/norlet-display, bin/norlet-panel (the panel check)
#   include/mstr.h
#   LIB/libmstr.a
#   LIB/pkgconfig/mstr.pc                 pkg-config --cflags --libs mstr
#   LIB/cmake/mstr/mstrConfig.cmake ...   find_package(mstr), target mstr::mstr
#   share/man/man1, man3                  norlet-display(1), norlet-panel(1), mstr(3)
#   share/doc/norlet-display/examples/    the boot-status script and its unit, the
#                                         timer that turns the panel off
#   lib/udev/rules.d/60-norlet-panel.rules /dev/fb-panel for a known small panel
#   share/fonts/*.bdf                     with NORLET_INSTALL_FONTS (fonts/)
#
# LIB is lib, or lib/<multiarch triplet> under the prefix /usr on Debian
# (GNUInstallDirs; a Debian package build passes it too). The pkg-config file
# and the CMake package find the prefix from where they lie, so an image can
# be installed anywhere and moved.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(NORLET_MSTR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/mstr)

install(TARGETS norlet-display norlet-panel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS mstr EXPORT mstrTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/mstr/mstr.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT mstrTargets NAMESPACE mstr:: DESTINATION ${NORLET_MSTR_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/mstrConfig.cmake.in
    ${PROJECT_BINARY_DIR}/mstrConfig.cmake
    INSTALL_DESTINATION ${NORLET_MSTR_CMAKE_DIR})
# 0.x: a new minor version may change the library.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/mstrConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/mstrConfig.cmake ${PROJECT_BINARY_DIR}/mstrConfigVersion.cmake
    DESTINATION ${NORLET_MSTR_CMAKE_DIR})

# The way from the pkg-config file's folder back to the prefix, and on to the
# header and the library.
file(RELATIVE_PATH NORLET_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" NORLET_PC_TO_PREFIX "${NORLET_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/mstr.pc.in ${PROJECT_BINARY_DIR}/mstr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mstr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES ${PROJECT_SOURCE_DIR}/docs/man/norlet-display.1 ${PROJECT_SOURCE_DIR}/docs/man/norlet-panel.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/mstr.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/examples/norlet-boot-status
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/examples/norlet-boot-status.service
    ${PROJECT_SOURCE_DIR}/examples/norlet-panel-off.service
    ${PROJECT_SOURCE_DIR}/examples/norlet-panel-off.timer
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# udev reads lib/udev/rules.d under /usr and /usr/local alike.
install(FILES ${PROJECT_SOURCE_DIR}/tools/60-norlet-panel.rules DESTINATION lib/udev/rules.d)

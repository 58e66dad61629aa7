# What `cmake --install` puts into a prefix (a firmware image's /usr, or a
# developer's own):
#
#   bin/norlet-display, bin/norlet-panel (the panel check)
#   include/mstr.h
#   lib/libmstr.a
#   lib/pkgconfig/mstr.pc                 pkg-config --cflags --libs mstr
#   lib/cmake/mstr/mstrConfig.cmake ...   find_package(mstr), target mstr::mstr
#   share/fonts/*.bdf                     with NORLET_INSTALL_FONTS (fonts/)
#
# The pkg-config file and the CMake package find the prefix from where they
# lie, so an image can be installed anywhere and moved.
include(CMakePackageConfigHelpers)

set(NORLET_MSTR_CMAKE_DIR lib/cmake/mstr)

install(TARGETS norlet-display norlet-panel RUNTIME DESTINATION bin)
install(TARGETS mstr EXPORT mstrTargets
    ARCHIVE DESTINATION lib
    INCLUDES DESTINATION include)
install(FILES ${PROJECT_SOURCE_DIR}/mstr/mstr.h DESTINATION include)

install(EXPORT mstrTargets NAMESPACE mstr:: DESTINATION ${NORLET_MSTR_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/mstrConfig.cmake.in
    ${PROJECT_BINARY_DIR}/mstrConfig.cmake
    INSTALL_DESTINATION ${NORLET_MSTR_CMAKE_DIR})
# 0.x: a new minor version may change the library.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/mstrConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/mstrConfig.cmake ${PROJECT_BINARY_DIR}/mstrConfigVersion.cmake
    DESTINATION ${NORLET_MSTR_CMAKE_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/mstr.pc.in ${PROJECT_BINARY_DIR}/mstr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mstr.pc DESTINATION lib/pkgconfig)

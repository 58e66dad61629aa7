# Run by ctest (cmake -P): installs BUILD_DIR into WORK_DIR/prefix, runs the
# installed program, and builds and runs consumer.c against the installed
# mstr as C through pkg-config and as C++ through find_package(mstr).
# -DBUILD_DIR -DWORK_DIR -DSOURCE_DIR -DC_COMPILER -DCXX_COMPILER -DPKG_CONFIG
# -DLIBDIR [-DTOOLCHAIN=file] [-DEMULATOR=word|word|...] [-DWITH_FONTS=ON]
cmake_minimum_required(VERSION 3.25)
set(prefix ${WORK_DIR}/prefix)
string(REPLACE "|" ";" emulator "${EMULATOR}")

# run(STEP EXPECTED COMMAND...): the command must exit 0 and print exactly
# EXPECTED ("*": anything, left in step_output).
function(run step expected)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT (expected STREQUAL "*" OR out STREQUAL expected))
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${step}: ${command}\nexit ${status}, output [${out}], "
                            "expected [${expected}]\n${err}")
    endif()
    set(step_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" "*" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# The library's files are all used by the consumers below; the fonts, pages
# and examples are not.
set(expected share/man/man1/norlet-display.1 share/man/man1/norlet-panel.1 share/man/man3/mstr.3
    share/doc/norlet-display/examples/norlet-boot-status
    share/doc/norlet-display/examples/norlet-boot-status.service
    share/doc/norlet-display/examples/norlet-panel-off.service
    share/doc/norlet-display/examples/norlet-panel-off.timer lib/udev/rules.d/60-norlet-panel.rules)
if(WITH_FONTS)
    list(APPEND expected share/fonts/6x12.bdf share/fonts/6x16.bdf share/fonts/12x32.bdf)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the install should have made ${prefix}/${file}")
    endif()
endforeach()
run("installed program" "Usage: ${prefix}/bin/norlet-display \"line1 text to display\" [\"line2 text to display\" ...]"
    ${emulator} ${prefix}/bin/norlet-display)

if(NOT PKG_CONFIG)
    message(FATAL_ERROR "pkg-config not found (Debian package pkg-config)")
endif()
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
run("pkg-config" "*" ${PKG_CONFIG} --cflags --libs mstr)
separate_arguments(flags UNIX_COMMAND "${step_output}")
run("C build" "*" ${C_COMPILER} -std=c11 -Wall -Wextra -Werror -pedantic-errors
    ${SOURCE_DIR}/consumer.c ${flags} -o ${WORK_DIR}/c-consumer)
run("C consumer" "fw 1.4.2 (8)\n" ${emulator} ${WORK_DIR}/c-consumer)

if(TOOLCHAIN)
    set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run("C++ configure" "*" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/cxx-consumer -B ${WORK_DIR}/cxx
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${toolchain})
run("C++ build" "*" ${CMAKE_COMMAND} --build ${WORK_DIR}/cxx)
run("C++ consumer" "fw 1.4.2 (8)\n" ${emulator} ${WORK_DIR}/cxx/consumer)
file(REMOVE_RECURSE ${WORK_DIR})

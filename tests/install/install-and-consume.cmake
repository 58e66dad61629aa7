# Run by ctest (cmake -P): installs BUILD_DIR into WORK_DIR/prefix, checks the
# layout, then builds and runs a C consumer through pkg-config and a C++
# consumer through find_package(mstr), and the installed program itself.
#
# -DBUILD_DIR -DWORK_DIR -DSOURCE_DIR -DC_COMPILER -DCXX_COMPILER -DPKG_CONFIG
# [-DTOOLCHAIN=file] [-DEMULATOR=word|word|...] [-DWITH_FONTS=ON]
cmake_minimum_required(VERSION 3.25)

set(prefix ${WORK_DIR}/prefix)
string(REPLACE "|" ";" emulator "${EMULATOR}")

# run(STEP command...): runs the command; fails the test with its output
# unless it exits 0. Leaves the standard output in step_output.
function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${step} failed (${status}):\n  ${command}\n${out}${err}")
    endif()
    set(step_output "${out}" PARENT_SCOPE)
endfunction()

# expect_output(STEP EXPECTED): the last run printed exactly EXPECTED.
function(expect_output step expected)
    if(NOT step_output STREQUAL expected)
        message(FATAL_ERROR "${step} should have printed\n  [${expected}]\nbut printed\n  [${step_output}]")
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(installed bin/norlet-display include/mstr.h lib/libmstr.a lib/pkgconfig/mstr.pc
    lib/cmake/mstr/mstrConfig.cmake lib/cmake/mstr/mstrConfigVersion.cmake
    lib/cmake/mstr/mstrTargets.cmake)
if(WITH_FONTS)
    list(APPEND installed share/fonts/6x12.bdf share/fonts/6x16.bdf share/fonts/12x32.bdf)
endif()
foreach(file IN LISTS installed)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the install should have made ${prefix}/${file}")
    endif()
endforeach()

# The program as installed: with no argument it prints its usage line.
run("installed norlet-display" ${emulator} ${prefix}/bin/norlet-display)
string(FIND "${step_output}" "Usage: ${prefix}/bin/norlet-display " usage_at)
if(NOT usage_at EQUAL 0)
    message(FATAL_ERROR "the installed program should have printed its usage line, "
                        "but printed\n  [${step_output}]")
endif()

# C, through pkg-config: flags from the installed mstr.pc alone.
if(NOT PKG_CONFIG)
    message(FATAL_ERROR "pkg-config not found (Debian package pkg-config)")
endif()
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
run("pkg-config" ${PKG_CONFIG} --cflags --libs mstr)
separate_arguments(mstr_flags UNIX_COMMAND "${step_output}")
run("C consumer build" ${C_COMPILER} -std=c11 -Wall -Wextra -Werror -pedantic-errors
    ${SOURCE_DIR}/c-consumer.c ${mstr_flags} -o ${WORK_DIR}/c-consumer)
run("C consumer" ${emulator} ${WORK_DIR}/c-consumer)
expect_output("C consumer" "fw 1.4.2 (8)\n")

# C++, through find_package(mstr) and the imported target mstr::mstr.
set(cross_args)
if(TOOLCHAIN)
    set(cross_args -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run("C++ consumer configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/cxx-consumer
    -B ${WORK_DIR}/cxx-consumer -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${cross_args})
run("C++ consumer build" ${CMAKE_COMMAND} --build ${WORK_DIR}/cxx-consumer)
run("C++ consumer" ${emulator} ${WORK_DIR}/cxx-consumer/cxx-consumer)
expect_output("C++ consumer" "panel -> 128x64 (1)\n")

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed, built and ran the program and both consumers in ${prefix}")

# Run by ctest (cmake -P): fails unless BINARY needs the C library alone at
# run time. Reads the NEEDED entries of its dynamic section with readelf -d;
# only libc.so.* and the dynamic loader (ld-linux*.so.*) may appear. With
# EXPECT_STATIC the binary must have no dynamic section at all.
#
# -DREADELF=path -DBINARY=path [-DEXPECT_STATIC=ON]
cmake_minimum_required(VERSION 3.25)

if(NOT READELF)
    message(FATAL_ERROR "readelf not found (Debian package binutils)")
endif()
execute_process(COMMAND ${READELF} -d ${BINARY} RESULT_VARIABLE status
                OUTPUT_VARIABLE dynamic ERROR_VARIABLE error)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${READELF} -d ${BINARY} failed (${status}): ${error}")
endif()

string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" entries "${dynamic}")
set(needed)
foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*\\[([^]]*)\\]" "\\1" library "${entry}")
    list(APPEND needed ${library})
endforeach()
string(REPLACE ";" " " needed_text "${needed}")

if(EXPECT_STATIC)
    if(NOT dynamic MATCHES "no dynamic section")
        message(FATAL_ERROR "${BINARY} should be fully static, but has a dynamic section "
                            "(needed: ${needed_text})")
    endif()
    message(STATUS "${BINARY} is fully static")
    return()
endif()

set(unwanted)
foreach(library IN LISTS needed)
    if(NOT library MATCHES "^(libc\\.so\\.[0-9]+|ld-linux[-a-z0-9_.]*\\.so\\.[0-9]+)$")
        list(APPEND unwanted ${library})
    endif()
endforeach()
if(unwanted)
    string(REPLACE ";" " " unwanted_text "${unwanted}")
    message(FATAL_ERROR "${BINARY} should need libc alone at run time, but also needs: "
                        "${unwanted_text} (all it needs: ${needed_text})")
endif()
if(NOT needed MATCHES "libc\\.so")
    message(FATAL_ERROR "${BINARY} should need libc, but needs: ${needed_text}")
endif()
message(STATUS "${BINARY} needs: ${needed_text}")

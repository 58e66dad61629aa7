# Run by ctest and scripts/cross-test.sh (cmake -P): fails unless BINARY needs
# the C library alone at run time, its dynamic section (readelf -d) naming only
# libc.so.* and the dynamic loader; with EXPECT_STATIC it must have none.
#
# -DREADELF=path -DBINARY=path [-DEXPECT_STATIC=ON]
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${READELF} -d ${BINARY} RESULT_VARIABLE status
                OUTPUT_VARIABLE dynamic ERROR_VARIABLE error)
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" needed "${dynamic}")
list(TRANSFORM needed REPLACE ".*\\[([^]]*)\\]" "\\1")
set(unwanted ${needed})
list(FILTER unwanted EXCLUDE REGEX "^(libc\\.so\\.[0-9]+|ld-linux[-a-z0-9_.]*\\.so\\.[0-9]+)$")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf (${READELF}) -d ${BINARY} failed (${status}): ${error}")
elseif(EXPECT_STATIC AND NOT dynamic MATCHES "no dynamic section")
    message(FATAL_ERROR "${BINARY} should be fully static, but needs: ${needed}")
elseif(NOT EXPECT_STATIC AND (unwanted OR NOT needed MATCHES "libc\\.so"))
    message(FATAL_ERROR "${BINARY} should need libc alone at run time, but also needs: "
                        "${unwanted} (all it needs: ${needed})")
endif()
message(STATUS "${BINARY} needs: ${needed}")

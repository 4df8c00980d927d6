# GoogleTest for a cross build: Debian's libraries are built for the host, so the tests get their
# own from the sources Debian ships beside them (package googletest), under the same GTest::
# names. It is someone else's code: built with its own warning flags, not ours.
set(UPSCONFIG_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's sources, built for the target in cross builds")
if(NOT EXISTS ${UPSCONFIG_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${UPSCONFIG_GOOGLETEST_SOURCE} "
                        "(package googletest, or set UPSCONFIG_GOOGLETEST_SOURCE)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
get_directory_property(upsconfig_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${UPSCONFIG_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${upsconfig_options}")

# Installs the build folder BUILD_DIR under ROOT as the Debian package does (prefix /usr), after
# removing what an earlier run left there, so that a file no longer installed is noticed.
file(REMOVE_RECURSE "${ROOT}")
set(ENV{DESTDIR} "${ROOT}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed: ${status}")
endif()

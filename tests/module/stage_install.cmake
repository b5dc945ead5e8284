# cmake -DBUILD_DIR=... -DSTAGING=... -P stage_install.cmake
# Installs the build into an empty staging prefix, as a user's
# "cmake --install" would, for the tests that use the installed package.
file(REMOVE_RECURSE "${STAGING}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${STAGING}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "installing into ${STAGING} failed")
endif()

# cmake -DSTAGING=... -DSOURCE_DIR=... -DWORK_DIR=... -DCXX=...
#       [-DTOOLCHAIN_FILE=... -DWINE_RUN=... -DWINE_PREFIX=...] -P consumer_test.cmake
# Builds the consumer program against the package installed in STAGING with
# find_package, the way another project would, runs it, and on Linux checks
# that it ran with the staged library, not one of the build tree.
# With WINE_RUN the consumer is a Windows program, run under Wine with the
# staged bin/ on its DLL search path; it links the compiler's runtime in.
# Output goes through a file, not a pipe: programs that Wine starts in the
# background (its services) inherit the handles and would keep a pipe open.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status
    OUTPUT_FILE "${WORK_DIR}/step.log" ERROR_FILE "${WORK_DIR}/step.log")
  file(READ "${WORK_DIR}/step.log" out)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${status}): ${command}\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}"
  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_PREFIX_PATH=${STAGING}" "-DCMAKE_CXX_COMPILER=${CXX}")
if(TOOLCHAIN_FILE)
  list(APPEND configure "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}" "-DCMAKE_FIND_ROOT_PATH=${STAGING}"
    -DCMAKE_EXE_LINKER_FLAGS=-static)
endif()
run(${configure})
run("${CMAKE_COMMAND}" --build "${WORK_DIR}")

if(WINE_RUN)
  set(ENV{WINEPATH} "${STAGING}/bin")
  run("${WINE_RUN}" "${WINE_PREFIX}" "${WORK_DIR}/vemmisc_consumer.exe")
  message("${out}")
  return()
endif()
run("${WORK_DIR}/vemmisc_consumer")
message("${out}")
run(ldd "${WORK_DIR}/vemmisc_consumer")
if(NOT out MATCHES "libVemMisc\\.so\\.1 => ([^ ]+)")
  message(FATAL_ERROR "the consumer does not load libVemMisc.so.1:\n${out}")
endif()
file(REAL_PATH "${CMAKE_MATCH_1}" loaded)
file(REAL_PATH "${STAGING}" staging_real)
string(FIND "${loaded}" "${staging_real}/" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "the consumer loads ${loaded}, not the staged library")
endif()

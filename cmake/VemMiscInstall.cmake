# Install rules: the library, its headers, a CMake package exporting
# VemMisc::VemMisc, and vemmisc.pc, in three components that become the
# packages (cmake/VemMiscPackage.cmake):
#   runtime      the shared library (the DLL on Windows) and, on Linux, the
#                message box helper (msgbox/helper)
#   development  headers, CMake package, pkg-config file, the libVemMisc.so
#                link and the Windows import library
#   vemreg       the registry tool and its manual page (tools/)
include(CMakePackageConfigHelpers)

install(TARGETS VemMisc EXPORT VemMiscTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")

set(VEMMISC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VemMisc)
install(EXPORT VemMiscTargets NAMESPACE VemMisc:: DESTINATION ${VEMMISC_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(cmake/VemMiscConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfig.cmake
  INSTALL_DESTINATION ${VEMMISC_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfigVersion.cmake
  DESTINATION ${VEMMISC_CMAKE_DIR} COMPONENT development)

# vemmisc.pc names its directories relative to its own location.
set(pc_install_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH VEMMISC_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VEMMISC_PC_PREFIX "${VEMMISC_PC_PREFIX}")
file(RELATIVE_PATH VEMMISC_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH VEMMISC_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
configure_file(cmake/vemmisc.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vemmisc.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vemmisc.pc DESTINATION ${pc_install_dir}
  COMPONENT development)

include(cmake/VemMiscPackage.cmake)

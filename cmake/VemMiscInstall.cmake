# Install rules: headers, the library, a CMake package exporting VemMisc::VemMisc, and vemmisc.pc.
include(CMakePackageConfigHelpers)

install(TARGETS VemMisc EXPORT VemMiscTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(VEMMISC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VemMisc)
install(EXPORT VemMiscTargets NAMESPACE VemMisc:: DESTINATION ${VEMMISC_CMAKE_DIR})
configure_package_config_file(cmake/VemMiscConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfig.cmake
  INSTALL_DESTINATION ${VEMMISC_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VemMiscConfigVersion.cmake
  DESTINATION ${VEMMISC_CMAKE_DIR})

# vemmisc.pc names its directories relative to its own location.
set(pc_install_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH VEMMISC_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VEMMISC_PC_PREFIX "${VEMMISC_PC_PREFIX}")
file(RELATIVE_PATH VEMMISC_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH VEMMISC_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
configure_file(cmake/vemmisc.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vemmisc.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vemmisc.pc DESTINATION ${pc_install_dir})

# Packages, made by running cpack in the build directory; they land in
# <build>/packages.
#   Linux: Debian packages, split the way Debian splits a library, with the
#   dependencies on other packages computed from the binaries (dpkg-shlibdeps):
#     libvemmisc1     the runtime component, named after the SONAME
#                     libVemMisc.so.1
#     libvemmisc-dev  the development component; needs libvemmisc1 of the
#                     same version
#     vemreg          the vemreg component
#   Windows: one .zip with the runtime and development components (the DLL,
#   its import library, the headers, the CMake package).
set(CPACK_PACKAGE_NAME VemMisc)
set(CPACK_PACKAGE_VENDOR VemMisc)
set(CPACK_PACKAGE_CONTACT "VemMisc developers")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
else()
  list(APPEND CPACK_COMPONENTS_ALL vemreg)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Packages with a shared library (only the runtime) get a shlibs file, so
  # that packages built against it depend on it.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(vemmisc_runtime_package libvemmisc${PROJECT_VERSION_MAJOR})

  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${vemmisc_runtime_package})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  # Each description: the package's summary line, then the text, which
  # cpack indents. CPack would put the project's description in front of
  # the summary line unless the package summary is CPack's own default.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "VemMisc support library: runtime
The shared library libVemMisc.so.1: containers, a typed parameter storage,
registry settings kept in a registry hive, file-backed memory blocks and a
message box, with the GTK 3 helper program that draws the message boxes.")

  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvemmisc-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${vemmisc_runtime_package} (= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "VemMisc support library: development files
The headers, the CMake package (find_package(VemMisc)), the pkg-config file
vemmisc.pc and the libVemMisc.so link for building programs with VemMisc.")

  set(CPACK_DEBIAN_VEMREG_PACKAGE_NAME vemreg)
  set(CPACK_DEBIAN_VEMREG_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_VEMREG_DESCRIPTION "Shows and edits VemMisc's registry hive
vemreg queries, adds, deletes, exports and imports the settings that programs
using VemMisc keep in its registry hive, with reg.exe's command syntax and the
registry editor's .reg file format.")
endif()

include(CPack)

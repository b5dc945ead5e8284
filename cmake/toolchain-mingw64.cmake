# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model).
# Test programs run under Wine (see the top-level CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEMMISC_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEMMISC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEMMISC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEMMISC_MINGW_TRIPLE}-windres)

# Appended, so that -DCMAKE_FIND_ROOT_PATH=<prefix> adds an installed VemMisc.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VEMMISC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

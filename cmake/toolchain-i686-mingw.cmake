# Cross-compiles for 32-bit Windows with MinGW-w64 and runs the results under Wine.
#
#   cmake --preset windows && cmake --build --preset windows -j2
#   scripts/test does the rest, with Xvfb; by hand, under an X display:
#   build/windows/wine-run --start && ctest --preset windows; build/windows/wine-run --stop
# (--start first: making a new prefix takes longer than test discovery may.)
#
# CTest then runs each test as "<build>/wine-run <test>.exe ...", both for
# add_test(NAME ... COMMAND <target>) and for gtest_discover_tests(... PRE_TEST),
# since both take the emulator from the target's CROSSCOMPILING_EMULATOR, which
# CMAKE_CROSSCOMPILING_EMULATOR initialises.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_update_triplet i686-w64-mingw32)
# The -posix variants: the win32-thread ones lack std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${_update_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_update_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_update_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_update_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# try_compile() projects read this file too; they run nothing and must not
# write a wrapper into their scratch folders.
get_property(_update_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT _update_in_try_compile)
  set(UPDATE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(UPDATE_LOCPATH "${CMAKE_BINARY_DIR}/locale")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-run.in" "${CMAKE_BINARY_DIR}/wine-run"
    @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
endif()

# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-thread compilers, for
# std::thread and std::mutex) and runs what it builds under Wine:
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DVLX_CORE_ONLY=ON -DGTest_DIR=<GoogleTest built with this file>/lib/cmake/GTest
#
# The runtime is linked statically, so a test executable needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VLX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VLX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VLX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VLX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VLX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# GoogleTest is built into the build folder, outside the root path; a package found through
# an explicit <Package>_DIR is taken from where it was pointed at.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets ctest, and gtest's discovery at build time, start the test executables.
find_program(VLX_WINE NAMES wine wine64)
if(VLX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VLX_WINE})
endif()

# The part of the Windows cross toolchains they share, for Debian's mingw-w64 (the posix thread
# flavour). The including file sets CMAKE_SYSTEM_PROCESSOR and mingw_triplet. Everything is linked
# statically, so the program needs no DLL beyond those Windows itself has.

set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${mingw_triplet}-gcc-posix ${mingw_triplet}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${mingw_triplet}-g++-posix ${mingw_triplet}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

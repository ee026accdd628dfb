# Cross toolchain for a 64-bit Windows build of the same sources (package
# g++-mingw-w64-x86-64-posix). It is not released: it lets the Windows side be tested under
# 64-bit Wine on machines whose kernel cannot run 32-bit programs, which 32-bit Wine needs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

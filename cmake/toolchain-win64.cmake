# Windows x64 (x86_64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(TAVREL_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

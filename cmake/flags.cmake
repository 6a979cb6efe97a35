# Warnings and sanitizer flags for every target of the project, in one place.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Our own targets link tavrel_warnings; third-party sources built here
# (GoogleTest for Windows) keep their own flags.
add_library(tavrel_warnings INTERFACE)
target_compile_options(tavrel_warnings INTERFACE -Wall -Wextra -Wshadow -Werror)

set(TAVREL_SANITIZE "" CACHE STRING "Sanitizers for the native build: address, thread or empty")
if(TAVREL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(TAVREL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(WIN32)
  # Link the compiler's runtime into every binary: the DLLs and programs must
  # depend on system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

option(TAVREL_FUZZ "Build the fuzz targets with libFuzzer (clang)" OFF)
# The fuzz build instruments all code for coverage, so the fuzzer sees the
# core's branches and not only its own; the targets link libFuzzer itself.
if(TAVREL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Warnings and sanitizer flags for every target of the project, in one place.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Our own targets link tavrel_warnings; third-party sources built here
# (GoogleTest for Windows) keep their own flags. -Wdate-time keeps the build
# clock out of the binaries: __DATE__ and __TIME__ are errors.
add_library(tavrel_warnings INTERFACE)
target_compile_options(tavrel_warnings INTERFACE -Wall -Wextra -Wshadow -Wdate-time -Werror)

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

  # The same commit gives the same bytes, in any folder and at any time. The
  # linker writes SOURCE_DATE_EPOCH (the commit's time, fixed when CMake
  # configures) as the PE time stamp instead of the clock, and the folders of
  # the source and the build are mapped away from every path the compiler
  # records. An epoch that changes relinks the shipped binaries
  # (tavrel_version_resource makes them depend on the file below).
  execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/source-date-epoch.sh
                  OUTPUT_VARIABLE TAVREL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_VARIABLE epoch_error RESULT_VARIABLE epoch_result)
  set(TAVREL_SOURCE_DATE_EPOCH_FILE ${CMAKE_BINARY_DIR}/source-date-epoch.txt)
  if(epoch_result EQUAL 0)
    foreach(lang C CXX)
      set(CMAKE_${lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TAVREL_SOURCE_DATE_EPOCH})
    endforeach()
  else()
    # A developer's copy without git still builds; make dist refuses.
    message(WARNING "${epoch_error}The binaries of this build carry the time they were linked.")
    set(TAVREL_SOURCE_DATE_EPOCH "")
  endif()
  file(CONFIGURE OUTPUT ${TAVREL_SOURCE_DATE_EPOCH_FILE} CONTENT "${TAVREL_SOURCE_DATE_EPOCH}\n")
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
endif()

option(TAVREL_FUZZ "Build the fuzz targets with libFuzzer (clang)" OFF)
# The fuzz build instruments all code for coverage, so the fuzzer sees the
# core's branches and not only its own; the targets link libFuzzer itself.
if(TAVREL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

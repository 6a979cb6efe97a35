# Test registration for both builds. Native tests run directly; Windows tests
# run under Wine in one session per build folder (a ctest fixture that starts
# a fresh prefix and an Xvfb display and stops both afterwards).
set(TAVREL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

# The machine type of this build's binaries, as tests/pe/check_pe.py names it.
if(TAVREL_WINEARCH STREQUAL "win64")
  set(TAVREL_MACHINE x64)
else()
  set(TAVREL_MACHINE x86)
endif()

if(WIN32)
  # Wine's loader for this target must be able to start here. The 32-bit one
  # is an i386 Linux program: a kernel built without 32-bit support cannot
  # run it, and then the x86 test programs are built but reported as skipped.
  if(TAVREL_WINEARCH STREQUAL "win64")
    set(TAVREL_WINE_LOADER /usr/lib/wine/wine64)
  else()
    set(TAVREL_WINE_LOADER /usr/lib/wine/wine)
  endif()
  execute_process(COMMAND ${TAVREL_WINE_LOADER} --version RESULT_VARIABLE loader_result OUTPUT_QUIET ERROR_QUIET)
  if(loader_result EQUAL 0)
    set(TAVREL_WINE_RUNS ON)
  else()
    set(TAVREL_WINE_RUNS OFF)
    message(STATUS "Wine loader ${TAVREL_WINE_LOADER} cannot start here: ${TAVREL_WINEARCH} test programs will be skipped")
  endif()
endif()

# The session's prefix gets the tests' loopback MIDI driver (tests/loopback);
# the installers' own prefix and the demo's do not.
if(WIN32 AND TAVREL_WINE_RUNS)
  add_test(NAME wine_session_start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${TAVREL_WINE_DIR} ${TAVREL_WINEARCH}
                   $<TARGET_FILE:tavrel_loopback_driver>)
  add_test(NAME wine_session_stop
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${TAVREL_WINE_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# tavrel_add_test(NAME target [ARGS ...]): one ctest entry per test program.
# Under Wine a whole program is one entry (each start of wine costs time);
# natively GoogleTest programs are split into their individual tests.
function(tavrel_add_test name target)
  if(WIN32 AND NOT TAVREL_WINE_RUNS)
    add_test(NAME ${name} COMMAND sh -c "echo 'skipped: ${TAVREL_WINE_LOADER} cannot start on this machine'; exit 77")
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  elseif(WIN32)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:${target}> ${ARGN})
    set_tests_properties(${name} PROPERTIES
      FIXTURES_REQUIRED wine
      ENVIRONMENT "TAVREL_WINE_DIR=${TAVREL_WINE_DIR};TAVREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      TIMEOUT 600)
  else()
    include(GoogleTest)
    gtest_discover_tests(${target} TEST_PREFIX "${name}." DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "TAVREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  endif()
endfunction()

# tavrel_check_binary(NAME target [EXPORTS...]): checks a Windows binary
# without running it (machine type, exactly these exports, system imports
# only), so it runs for both targets whether or not Wine can.
function(tavrel_check_binary name target)
  if(NOT WIN32)
    return()
  endif()
  add_test(NAME ${name} COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/pe/check_pe.py $<TARGET_FILE:${target}>
                                --machine ${TAVREL_MACHINE} --exports ${ARGN})
endfunction()

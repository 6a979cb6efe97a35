# Test registration for both builds. Native tests run directly; Windows tests
# run under Wine in one session per build folder (a ctest fixture that starts
# a fresh prefix and an Xvfb display and stops both afterwards).
set(TAVREL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

if(WIN32)
  add_test(NAME wine_session_start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${TAVREL_WINE_DIR} ${TAVREL_WINEARCH})
  add_test(NAME wine_session_stop
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${TAVREL_WINE_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# tavrel_add_test(NAME target [ARGS ...]): one ctest entry per test program.
# Under Wine a whole program is one entry (each start of wine costs time);
# natively GoogleTest programs are split into their individual tests.
function(tavrel_add_test name target)
  if(WIN32)
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

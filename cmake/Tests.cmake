# Settles GAMEFOLD_TESTS to ON or OFF for the rest of the configuration, as a normal variable over
# the cache entry that keeps what was asked. AUTO is ON when GoogleTest is there: `make build`
# on a machine without the test packages builds the program alone, and `make test`, which asks
# for ON once it has installed them, then adds the tests without recompiling the rest.
# A cross build has no GoogleTest packaged for its target: it builds it from Debian's sources.
set(GAMEFOLD_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH
    "GoogleTest's sources, built for the target of a cross build")

if(GAMEFOLD_FUZZ OR NOT GAMEFOLD_TESTS)
  set(gamefold_tests_required OFF)
  set(GAMEFOLD_TESTS OFF)
elseif(GAMEFOLD_TESTS STREQUAL "AUTO")
  set(gamefold_tests_required OFF)
else()
  set(gamefold_tests_required ON)
endif()

if(GAMEFOLD_TESTS AND CMAKE_CROSSCOMPILING)
  set(gamefold_gtest_found OFF)
  if(EXISTS ${GAMEFOLD_GTEST_SOURCE}/CMakeLists.txt)
    set(gamefold_gtest_found ON)
  elseif(gamefold_tests_required)
    message(FATAL_ERROR "GoogleTest's sources are not in ${GAMEFOLD_GTEST_SOURCE} "
                        "(Debian's googletest package, or -DGAMEFOLD_GTEST_SOURCE=...)")
  endif()
elseif(GAMEFOLD_TESTS AND gamefold_tests_required)
  find_package(GTest REQUIRED)
  set(gamefold_gtest_found ON)
elseif(GAMEFOLD_TESTS)
  find_package(GTest QUIET)
  set(gamefold_gtest_found ${GTest_FOUND})
endif()

if(GAMEFOLD_TESTS AND NOT gamefold_gtest_found)
  message(STATUS "GoogleTest not found: building without the tests (make test installs it)")
  set(GAMEFOLD_TESTS OFF)
elseif(GAMEFOLD_TESTS)
  set(GAMEFOLD_TESTS ON)
endif()

# GoogleTest for the tests, as the targets GTest::gtest and GTest::gtest_main:
# an installed copy when there is one built for the target, else built from
# the system's sources in /usr/src/googletest.
#
# A cross build looks only under the target's root (a copy built for the
# build machine is of no use to a Windows program) and checks that a test
# program links against what it found. -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
# always builds from the sources.
set(lh_saved_package_mode "${CMAKE_FIND_ROOT_PATH_MODE_PACKAGE}")
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
find_package(GTest QUIET)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE "${lh_saved_package_mode}")

if(GTest_FOUND AND CMAKE_CROSSCOMPILING)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LIBRARIES GTest::gtest_main)
  check_cxx_source_compiles("#include <gtest/gtest.h>\nTEST(A, B) {}" LH_GTEST_LINKS)
  unset(CMAKE_REQUIRED_LIBRARIES)
  if(NOT LH_GTEST_LINKS)
    # Its targets now exist, so the sources cannot be built beside them.
    message(FATAL_ERROR "The GoogleTest found under ${CMAKE_FIND_ROOT_PATH} does not link into a test "
                        "program; configure again with -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON to build it "
                        "from /usr/src/googletest.")
  endif()
endif()

if(GTest_FOUND)
  message(STATUS "GoogleTest: installed copy ${GTest_VERSION}")
else()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  message(STATUS "GoogleTest: built from /usr/src/googletest")
endif()

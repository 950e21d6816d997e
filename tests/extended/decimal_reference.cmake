# The decimal conversion compared with MPFR (Debian's libmpfr-dev), on the
# build machine only: the reference is a test's, never a program's.
find_path(ORMAKIN_MPFR_INCLUDE_DIR mpfr.h)
find_library(ORMAKIN_MPFR_LIBRARY mpfr)
find_library(ORMAKIN_GMP_LIBRARY gmp)
if(NOT CMAKE_CROSSCOMPILING AND ORMAKIN_MPFR_INCLUDE_DIR AND ORMAKIN_MPFR_LIBRARY
   AND ORMAKIN_GMP_LIBRARY)
  add_executable(decimal_reference_tests ${CMAKE_CURRENT_LIST_DIR}/decimal_reference_test.cpp)
  target_include_directories(decimal_reference_tests PRIVATE ${ORMAKIN_MPFR_INCLUDE_DIR})
  target_link_libraries(decimal_reference_tests PRIVATE ormakin_core GTest::gtest_main
                        ${ORMAKIN_MPFR_LIBRARY} ${ORMAKIN_GMP_LIBRARY})
  gtest_discover_tests(decimal_reference_tests DISCOVERY_MODE PRE_TEST)
endif()

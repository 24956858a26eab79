# GoogleTest for builds where no installed package fits the target (the Windows cross build):
# compiled from the sources that Debian's googletest package ships, with the target's compiler.
set(MIRAV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${MIRAV_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${MIRAV_GTEST_SOURCE_DIR} "
                      "(install the googletest package)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${MIRAV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/third_party/googletest
  EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main)
  # The library's -Wall -Wextra are not GoogleTest's business.
  target_compile_options(${lib} PRIVATE -w)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

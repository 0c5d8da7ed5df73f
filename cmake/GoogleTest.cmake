# GoogleTest and GoogleMock: the installed package on Linux; for Windows, built from the sources
# Debian ships (/usr/src/googletest, package libgtest-dev) with the cross compiler, since the
# installed libraries are Linux ones. Either way the targets are GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main.
if(CMAKE_CROSSCOMPILING)
  set(KV_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KV_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest CONFIG REQUIRED)
endif()

# The platform layer on its own, for a system the rest of the program does not build on yet
# (KV_PLATFORM_ONLY): the layer, its tests and the code page dump.
set(KVPLATFORM_SYSTEM posix)
if(WIN32)
  set(KVPLATFORM_SYSTEM win32)
endif()
file(GLOB KVPLATFORM_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/platform/${KVPLATFORM_SYSTEM}/*.cpp)
kv_stage(kvplatform platform KVPLATFORM_ROOT)
add_library(kvplatform STATIC ${KVPLATFORM_SOURCES})
target_include_directories(kvplatform PUBLIC ${KVPLATFORM_ROOT})

add_executable(kv_codepage_dump ${PROJECT_SOURCE_DIR}/tools/CodePageDump.cpp)
target_link_libraries(kv_codepage_dump PRIVATE kvplatform)

if(KV_BUILD_TESTS)
  enable_testing()
endif()
file(GLOB KV_PLATFORM_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/platform/*.cpp)
if(KV_BUILD_TESTS AND KV_PLATFORM_TEST_SOURCES)
  include(${PROJECT_SOURCE_DIR}/cmake/GoogleTest.cmake)
  add_executable(kv_platform_tests ${KV_PLATFORM_TEST_SOURCES})
  target_include_directories(kv_platform_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(kv_platform_tests PRIVATE kvplatform GTest::gtest_main GTest::gmock)
  # One test run for the whole program: under Wine each start of a program costs a second or so.
  add_test(NAME kv_platform_tests COMMAND kv_platform_tests)
endif()

# The host build: the system's code against the simulated Windows, with the host
# tests, under AddressSanitizer and UndefinedBehaviorSanitizer.
find_package(GTest REQUIRED)
find_library(MSPACK_LIBRARY mspack REQUIRED)
find_path(MSPACK_INCLUDE mspack.h REQUIRED)

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(HOST_WARNINGS -Wall -Wextra -Werror)

file(GLOB WINSIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/winsim/src/*.cpp)
add_library(winsim STATIC ${WINSIM_SOURCES})
target_include_directories(winsim PUBLIC ${CMAKE_SOURCE_DIR}/winsim/include PRIVATE ${MSPACK_INCLUDE})
target_link_libraries(winsim PRIVATE ${MSPACK_LIBRARY})
target_compile_options(winsim PRIVATE ${SANITIZE} ${HOST_WARNINGS})

add_library(kest_system STATIC ${SYSTEM_SOURCES})
target_include_directories(kest_system PUBLIC ${SYSTEM_INCLUDES})
target_link_libraries(kest_system PUBLIC winsim)
target_compile_options(kest_system PRIVATE ${SANITIZE} ${HOST_WARNINGS})

enable_testing()
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
add_executable(host_tests ${TEST_SOURCES})
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(host_tests PRIVATE kest_system winsim GTest::gtest GTest::gtest_main)
target_compile_options(host_tests PRIVATE ${SANITIZE} ${HOST_WARNINGS})
target_link_options(host_tests PRIVATE ${SANITIZE})
include(GoogleTest)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60)

# The Wine end-to-end tests run the Windows build's executables.
set(KEST_WIN_BUILD_DIR "" CACHE PATH "Build folder of the Windows build, for the Wine tests")
if(KEST_WIN_BUILD_DIR)
  include(${CMAKE_SOURCE_DIR}/e2e/tests.cmake OPTIONAL)
endif()

# The language, the flags and the system's own code, one library per subsystem: the same for
# the Windows build, the host build and the fuzzers' build, which all take them from here.
# A build that instruments the code further (the fuzzers') names its options in
# KEST_EXTRA_OPTIONS before it includes this file; they reach every library and winsim.
get_filename_component(KEST_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Compiled as C++20 with GCC: its library then instantiates only the std::string members
  # the program uses, instead of linking its whole prebuilt set (20 KB less). The code itself
  # is C++17 and is tested as such in the host build.
  set(CMAKE_CXX_STANDARD 20)
  enable_language(C)
  enable_language(RC)
  # Build paths are mapped out of whatever the compiler writes, so that the same sources give
  # the same bytes in any folder.
  # The code is optimised as one program at link time (-flto): each object's unwind tables keep
  # all its functions alive for the linker, the whole-program view drops the unused ones and the
  # second copies of the library's inline code. Every C++ object of an executable takes part (the
  # linker refuses the same inline function from an optimised and a plain object).
  # The stack is kept aligned to 4 bytes, all that Windows gives a 32-bit thread and all the
  # code needs (no SSE): no realignment and padding of frames for 16 bytes.
  set(KEST_OPTIONS -Os -ffunction-sections -fdata-sections -flto -mpreferred-stack-boundary=2
                   -ffile-prefix-map=${KEST_ROOT}/= -Wall -Wextra -Werror ${KEST_EXTRA_OPTIONS})
  set(PLATFORM_LIBS advapi32 shell32 user32 kernel32)
else()
  set(KEST_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  set(KEST_OPTIONS ${KEST_SANITIZE} -g -Wall -Wextra -Werror ${KEST_EXTRA_OPTIONS})
  add_subdirectory(${KEST_ROOT}/winsim winsim)
  set(PLATFORM_LIBS winsim)
endif()

function(kest_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${KEST_ROOT}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/app/Setup\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${KEST_ROOT}/${folder})
  target_compile_options(${name} PRIVATE ${KEST_OPTIONS})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

kest_library(kest_support support ${PLATFORM_LIBS})
kest_library(kest_setup setup kest_support)
kest_library(kest_uninstall uninstall kest_support)
kest_library(kest_app app kest_setup kest_uninstall kest_support)

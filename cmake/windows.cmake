# The Windows build: Setup.exe and the test helpers, linked statically so that they
# import nothing but system DLLs that Windows 98 and NT 4.0 have.
set(WIN_COMPILE_OPTIONS -Os -Wall -Wextra -Werror)
set(WIN_LINK_OPTIONS -static -s -mwindows)
set(WIN_SYSTEM_LIBS advapi32 shell32 lz32 user32 kernel32)

add_library(kest_system STATIC ${SYSTEM_SOURCES})
target_include_directories(kest_system PUBLIC ${SYSTEM_INCLUDES})
target_compile_options(kest_system PRIVATE ${WIN_COMPILE_OPTIONS})
target_compile_definitions(kest_system PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0400 WINVER=0x0400)

add_executable(Setup WIN32 app/Setup.cpp)
target_link_libraries(Setup PRIVATE kest_system ${WIN_SYSTEM_LIBS})
target_compile_options(Setup PRIVATE ${WIN_COMPILE_OPTIONS})
target_link_options(Setup PRIVATE ${WIN_LINK_OPTIONS})

# Helper programs for the Wine tests (tools/*.cpp, one program each).
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} WIN32 ${src})
  target_link_libraries(${name} PRIVATE kest_system ${WIN_SYSTEM_LIBS})
  target_compile_options(${name} PRIVATE ${WIN_COMPILE_OPTIONS})
  target_link_options(${name} PRIVATE ${WIN_LINK_OPTIONS})
endforeach()

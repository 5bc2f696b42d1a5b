# The Windows build: Setup.exe and the test helpers, linked statically so that they
# import nothing but system DLLs that Windows 98 and NT 4.0 have.
set(WIN_LINK_OPTIONS -static -s -mwindows)

add_executable(Setup WIN32 app/Setup.cpp)
target_link_libraries(Setup PRIVATE kest_app)
target_compile_options(Setup PRIVATE ${KEST_OPTIONS})
target_link_options(Setup PRIVATE ${WIN_LINK_OPTIONS})

# Helper programs for the Wine tests (tools/*.cpp, one program each). They link only what
# they use: the driver and the stand-in none of the system's code, the probe the support library.
# The stand-in also plays the product's setup (registry, shell folders, shortcuts).
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} WIN32 ${src})
  if(name STREQUAL "probe")
    target_link_libraries(${name} PRIVATE kest_support)
  elseif(name STREQUAL "kest")
    target_link_libraries(${name} PRIVATE ole32 uuid shell32 advapi32 user32 kernel32)
  else()
    target_link_libraries(${name} PRIVATE user32 kernel32)
  endif()
  target_compile_options(${name} PRIVATE ${KEST_OPTIONS})
  target_link_options(${name} PRIVATE ${WIN_LINK_OPTIONS})
endforeach()

# The Windows programs and their tests, cross-built with MinGW-w64 (cmake/toolchains) and tested
# under Wine. Included from the top CMakeLists.txt instead of the Linux build.

find_package(Threads REQUIRED)

# nlohmann-json is headers only: the build machine's copy serves, without the rest of its
# include folder (whose headers are Linux's).
set(LMX_HOST_JSON_HEADERS /usr/include/nlohmann)
if(NOT EXISTS ${LMX_HOST_JSON_HEADERS}/json.hpp)
  message(FATAL_ERROR "nlohmann-json's headers are missing: scripts/ensure-packages.sh --windows")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-headers)
file(CREATE_LINK ${LMX_HOST_JSON_HEADERS} ${CMAKE_BINARY_DIR}/host-headers/nlohmann SYMBOLIC)
add_library(lmx_json INTERFACE)
target_include_directories(lmx_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/host-headers)
add_library(nlohmann_json::nlohmann_json ALIAS lmx_json)

include(cmake/windows/version_resource.cmake)

add_subdirectory(common)
add_subdirectory(platform)
# The parts of the suite that stand on the platform's interfaces alone.
if(LMX_WITH_SIMULATOR)
  add_subdirectory(simulator)
  add_subdirectory(tools/lmxsim)
endif()
add_subdirectory(lang/japanese)
# The monitoring library and the service program dwsvc.exe, run by the service control manager.
add_subdirectory(service)
lmx_add_version_resource(dwsvc "LMX Duowatch Service")
include(cmake/windows/language_library.cmake)
add_subdirectory(tray/core)

# The dialog layer on the Windows dialog manager: dialogs built in memory from the suite's
# template tables, message boxes and the file-open dialog. The icons are resources, which a
# program links as objects (a static library would drop them).
enable_language(RC)
add_library(lmx_gui STATIC
  gui/about_dialog.cpp
  gui/file_types.cpp
  gui/message_box_answers.cpp
  gui/modal_answer.cpp
  gui/string_table.cpp
  gui/win32/dialog_memory_template.cpp
  gui/win32/info_progress_bar_control.cpp
  gui/win32/win32_application.cpp
  gui/win32/win32_dialog_window.cpp
  gui/win32/win32_file_open_dialog.cpp
  gui/win32/win32_file_save_dialog.cpp
  gui/win32/win32_frame_window.cpp
  gui/win32/win32_message_box.cpp
  gui/win32/win32_notification_icon.cpp)
target_include_directories(lmx_gui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lmx_gui PUBLIC lmx_platform lmx_strings_jp comctl32 comdlg32 shell32)
add_library(lmx_gui_icons OBJECT gui/win32/program_icons.rc)
target_include_directories(lmx_gui_icons PRIVATE ${PROJECT_SOURCE_DIR})

# The tray application LMXDuowatch.exe, its windows written against the dialog layer.
add_subdirectory(tray/gui)
add_executable(LMXDuowatch WIN32 tray/main.cpp)
target_link_libraries(LMXDuowatch PRIVATE lmx_tray_gui lmx_gui_icons)
lmx_add_version_resource(LMXDuowatch "LMX Duowatch")

# The console programs, and the firmware tool with its dialog as well as its console modes.
add_subdirectory(tools)
add_subdirectory(fwup)
include(cmake/windows/console_programs.cmake)
target_link_libraries(LMXDuo_fwupTool PRIVATE lmx_gui_icons)


if(LMX_BUILD_TESTS)
  enable_testing()
  # GoogleTest from Debian's sources, built for Windows inside this build tree.
  set(LMX_GOOGLETEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest's sources")
  if(NOT EXISTS ${LMX_GOOGLETEST_SOURCES}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources are missing: scripts/ensure-packages.sh --windows")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${LMX_GOOGLETEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_subdirectory(tests/windows)
endif()

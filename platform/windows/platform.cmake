# The platform layer on Windows' own API (included from platform/CMakeLists.txt).
add_library(lmx_platform STATIC
  ata_pass_through_calls.cpp
  drive_backend.cpp
  drive_handle.cpp
  sync_event.cpp
  system_info.cpp
  system_root.cpp
  system_time.cpp
  win_error.cpp
  windows/command_interpreter.cpp
  windows/default_system_root.cpp
  windows/desktop.cpp
  windows/disk_drive.cpp
  windows/physical_drive.cpp
  windows/process_facts.cpp
  windows/process_list.cpp
  windows/root_environment.cpp
  windows/root_scope.cpp
  windows/scsi_pass_through_layout.cpp
  windows/service_dispatcher.cpp
  windows/service_handles.cpp
  windows/service_manager.cpp
  windows/service_start.cpp
  windows/sessions.cpp
  windows/shell_windows.cpp
  windows/system_info.cpp
  windows/wide_text.cpp
  windows/window_directory.cpp
)
target_include_directories(lmx_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(lmx_platform PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_link_libraries(lmx_platform PUBLIC lmx_common Threads::Threads)
# The service control manager and tokens (advapi32), sessions (wtsapi32), user environments
# (userenv) and windows (user32).
target_link_libraries(lmx_platform PRIVATE advapi32 wtsapi32 userenv user32)

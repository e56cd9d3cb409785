# The platform layer on Windows' own API (included from platform/CMakeLists.txt).
add_library(lmx_platform STATIC
  ata_pass_through_calls.cpp
  drive_backend.cpp
  drive_handle.cpp
  named_pipe_call.cpp
  sync_event.cpp
  system_info.cpp
  system_root.cpp
  system_root_refusal.cpp
  system_time.cpp
  win_error.cpp
  windows/client_identity.cpp
  windows/command_interpreter.cpp
  windows/command_line.cpp
  windows/console.cpp
  windows/default_system_root.cpp
  windows/desktop.cpp
  windows/disk_drive.cpp
  windows/event_log.cpp
  windows/event_records.cpp
  windows/event_source_registration.cpp
  windows/file_append.cpp
  windows/file_checks.cpp
  windows/file_lock.cpp
  windows/file_replace.cpp
  windows/help_file.cpp
  windows/library.cpp
  windows/log_folder.cpp
  windows/named_mutex.cpp
  windows/named_pipe_client.cpp
  windows/named_pipe_server.cpp
  windows/physical_drive.cpp
  windows/pipe_client_token.cpp
  windows/plain_file.cpp
  windows/process_facts.cpp
  windows/process_list.cpp
  windows/registry.cpp
  windows/registry_location.cpp
  windows/root_environment.cpp
  windows/root_folder.cpp
  windows/root_scope.cpp
  windows/scsi_pass_through_layout.cpp
  windows/service_dispatcher.cpp
  windows/service_handles.cpp
  windows/service_manager.cpp
  windows/service_start.cpp
  windows/sessions.cpp
  windows/shell_windows.cpp
  windows/system_info.cpp
  windows/trusted_accounts.cpp
  windows/trusted_folder.cpp
  windows/version_info.cpp
  windows/wide_text.cpp
  windows/window_directory.cpp
)
target_include_directories(lmx_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(lmx_platform PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_link_libraries(lmx_platform PUBLIC lmx_common Threads::Threads)
# The service control manager, tokens and the event log (advapi32), sessions (wtsapi32), user
# environments (userenv), windows (user32), version resources (version) and the splitting of the
# wide command line (shell32).
target_link_libraries(lmx_platform PRIVATE advapi32 wtsapi32 userenv user32 version shell32)

# The platform layer on Windows' own API (included from platform/CMakeLists.txt).
add_library(lmx_platform STATIC
  ata_pass_through_calls.cpp
  drive_backend.cpp
  sync_event.cpp
  system_info.cpp
  system_root.cpp
  system_root_refusal.cpp
  system_time.cpp
  win_error.cpp
  windows/console.cpp
  windows/default_system_root.cpp
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
  windows/plain_file.cpp
  windows/registry.cpp
  windows/registry_location.cpp
  windows/root_environment.cpp
  windows/root_scope.cpp
  windows/system_info.cpp
  windows/trusted_accounts.cpp
  windows/trusted_folder.cpp
  windows/version_info.cpp
  windows/wide_text.cpp
)
target_include_directories(lmx_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(lmx_platform PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# version: GetFileVersionInfoW and VerQueryValueW.
target_link_libraries(lmx_platform PUBLIC lmx_common Threads::Threads version)

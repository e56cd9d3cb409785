# The platform layer on Windows' own API (included from platform/CMakeLists.txt).
add_library(lmx_platform STATIC
  ata_pass_through_calls.cpp
  drive_backend.cpp
  sync_event.cpp
  system_info.cpp
  system_root.cpp
  system_time.cpp
  win_error.cpp
  windows/client_identity.cpp
  windows/default_system_root.cpp
  windows/named_mutex.cpp
  windows/named_pipe_client.cpp
  windows/named_pipe_server.cpp
  windows/pipe_client_token.cpp
  windows/root_environment.cpp
  windows/root_scope.cpp
  windows/system_info.cpp
  windows/wide_text.cpp
)
target_include_directories(lmx_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(lmx_platform PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_link_libraries(lmx_platform PUBLIC lmx_common Threads::Threads)

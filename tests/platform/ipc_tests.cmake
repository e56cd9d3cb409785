# Tests of the pipes, windows, sessions, process list and command interpreter. Included from
# tests/CMakeLists.txt.
lmx_add_test(ipc_platform_tests
  ${CMAKE_CURRENT_LIST_DIR}/named_pipe_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pipe_serving_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_directory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_folder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sessions_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_interpreter_test.cpp)
target_link_libraries(ipc_platform_tests PRIVATE lmx_platform)

# Started by the session tests to report how it was started.
add_executable(session_probe ${CMAKE_CURRENT_LIST_DIR}/session_probe.cpp)
add_dependencies(ipc_platform_tests session_probe)

# Sources of the pipes, windows, sessions, process list, command interpreter and service start
# interfaces, relative to platform/.
set(LMX_PLATFORM_IPC_SOURCES
  linux/client_identity.cpp
  linux/command_interpreter.cpp
  linux/detached_process.cpp
  linux/login_sessions.cpp
  linux/named_mutex.cpp
  linux/named_pipe.cpp
  linux/process_list.cpp
  linux/service_start.cpp
  linux/sessions.cpp
  linux/socket_io.cpp
  linux/window_directory.cpp
  linux/window_folder.cpp
)

# The console programs of the Windows build: each gets a version resource, and its standard
# streams write through platform::writeConsoleText (tools/console_text).

# Writes the version resource of `target` (a VERSIONINFO made from cmake/windows_version.rc.in)
# and adds it and the console streams to the program.
function(lmx_windows_console_program target product_name version_text)
  set(LMX_RC_FILE_NAME ${target}.exe)
  set(LMX_RC_PRODUCT_NAME ${product_name})
  set(LMX_RC_VERSION_TEXT ${version_text})
  string(REPLACE " " "" LMX_RC_VERSION ${version_text})
  set(LMX_RC_FILE_TYPE 0x1)
  set(LMX_RC_COPYRIGHT "Copyright (C) 2026 The LMX Duowatch developers")
  set(rc ${CMAKE_BINARY_DIR}/generated/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc} ${PROJECT_SOURCE_DIR}/tools/console_text/console_text_streams.cpp)
endfunction()

enable_language(RC)
lmx_windows_console_program(traysignal "LMX Duowatch Tray Signal" "${LMX_PRODUCT_VERSION_TEXT}")
lmx_windows_console_program(prockill "LMX Duowatch Process Terminator" "${LMX_PRODUCT_VERSION_TEXT}")
lmx_windows_console_program(monswitch "LMX Duowatch Service Switch" "${LMX_PRODUCT_VERSION_TEXT}")
lmx_windows_console_program(lmxpipe "LMX Duowatch Pipe Client" "${LMX_PRODUCT_VERSION_TEXT}")
# The firmware tool has a version of its own (fwup/core/tool_version.h).
file(STRINGS ${PROJECT_SOURCE_DIR}/fwup/core/tool_version.h fwup_version REGEX "define LMX_FWUP_VERSION_RECORD ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" fwup_version "${fwup_version}")
lmx_windows_console_program(LMXDuo_fwupTool "LMXDuo_fwupTool" "${fwup_version}")
if(TARGET lmxsim)
  lmx_windows_console_program(lmxsim "LMX Duowatch Simulator" "${LMX_PRODUCT_VERSION_TEXT}")
endif()

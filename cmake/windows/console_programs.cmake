# The console programs of the Windows build: each gets a version resource, and its standard
# streams write through platform::writeConsoleText (tools/console_text).
function(lmx_windows_console_program target productName)
  lmx_add_version_resource(${target} "${productName}" ${ARGN})
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/console_text/console_text_streams.cpp)
endfunction()

lmx_windows_console_program(traysignal "LMX Duowatch Tray Signal")
lmx_windows_console_program(prockill "LMX Duowatch Process Terminator")
lmx_windows_console_program(monswitch "LMX Duowatch Service Switch")
lmx_windows_console_program(lmxpipe "LMX Duowatch Pipe Client")
# The firmware tool has a version of its own (fwup/core/tool_version.h).
file(STRINGS ${PROJECT_SOURCE_DIR}/fwup/core/tool_version.h fwup_version REGEX "define LMX_FWUP_VERSION_RECORD ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" fwup_version "${fwup_version}")
lmx_windows_console_program(LMXDuo_fwupTool "LMXDuo_fwupTool" "${fwup_version}")
if(TARGET lmxsim)
  lmx_windows_console_program(lmxsim "LMX Duowatch Simulator")
endif()

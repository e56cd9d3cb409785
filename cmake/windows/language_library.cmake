# The English language library TXTRES_EN.dll: the exports the service and the GUI programs load
# by name (eventlogString, loadStringResource), the same texts as a string table, and the
# event log's message table, all from lang/TXTRES_EN's sources (language_resources.py).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(LMX_TXTRES_SOURCES
  ${PROJECT_SOURCE_DIR}/lang/TXTRES_EN/eventlog_strings.cpp
  ${PROJECT_SOURCE_DIR}/lang/TXTRES_EN/string_table.cpp)
set(LMX_TXTRES_GENERATED ${CMAKE_BINARY_DIR}/generated/TXTRES_EN)
add_custom_command(
  OUTPUT ${LMX_TXTRES_GENERATED}/language_resources.rc ${LMX_TXTRES_GENERATED}/event_messages.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LMX_TXTRES_GENERATED}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/windows/language_resources.py
          ${LMX_TXTRES_GENERATED}/language_resources.rc ${LMX_TXTRES_GENERATED}/event_messages.bin
          ${PROJECT_SOURCE_DIR}/service/monitor/event_ids.h ${LMX_TXTRES_SOURCES}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/windows/language_resources.py
          ${PROJECT_SOURCE_DIR}/service/monitor/event_ids.h ${LMX_TXTRES_SOURCES}
  COMMENT "Resources of TXTRES_EN.dll"
  VERBATIM)

add_library(TXTRES_EN MODULE ${LMX_TXTRES_SOURCES} ${LMX_TXTRES_GENERATED}/language_resources.rc)
set_target_properties(TXTRES_EN PROPERTIES PREFIX "" SUFFIX ".dll" CXX_VISIBILITY_PRESET hidden)
target_include_directories(TXTRES_EN PRIVATE ${PROJECT_SOURCE_DIR})
# The static runtime keeps the library free of MinGW's DLLs; the resources rebuild with the
# binary table they include.
target_link_options(TXTRES_EN PRIVATE -static -static-libgcc -static-libstdc++)
set_source_files_properties(${LMX_TXTRES_GENERATED}/language_resources.rc PROPERTIES
  OBJECT_DEPENDS ${LMX_TXTRES_GENERATED}/event_messages.bin)
lmx_add_version_resource(TXTRES_EN "LMX Duowatch English Language Resources")

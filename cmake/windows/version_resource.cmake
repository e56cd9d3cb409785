# Each Windows program file carries its version record as a VERSIONINFO resource, which
# platform/version_info.h reads (GetFileVersionInfoW) without running the program.
enable_language(RC)

# lmx_add_version_resource(<target> <product name> [<version text>]): a resource script
# configured from version_resource.rc.in with the product's name and its version, the suite's
# ("1, 0, 0, 1") unless the program has one of its own.
function(lmx_add_version_resource target productName)
  set(LMX_RC_PRODUCT_NAME "${productName}")
  set(LMX_RC_VERSION_TEXT "${LMX_PRODUCT_VERSION_TEXT}")
  if(ARGC GREATER 2)
    set(LMX_RC_VERSION_TEXT "${ARGV2}")
  endif()
  string(REPLACE " " "" LMX_RC_VERSION_NUMBERS "${LMX_RC_VERSION_TEXT}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(LMX_RC_FILE_NAME "${target}.exe")
    set(LMX_RC_FILE_TYPE "0x1")
  else()
    set(LMX_RC_FILE_NAME "${target}.dll")
    set(LMX_RC_FILE_TYPE "0x2")
  endif()
  set(script ${CMAKE_BINARY_DIR}/generated/version_resources/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version_resource.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
  # The resource compiler finds common/product_version.h in the generated folder.
  set_property(SOURCE ${script} TARGET_DIRECTORY ${target} APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/generated)
endfunction()

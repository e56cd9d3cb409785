# Install rules: the suite is one program folder (CMAKE_INSTALL_PREFIX, default
# /opt/lmxduowatch) with the programs, TXTRES_EN.so, the icons and the user guide side by side,
# as the programs expect to find each other; the files that belong elsewhere go to the
# system's folders below. Install into a scratch tree with DESTDIR (the system folders are
# absolute): DESTDIR=/tmp/tree cmake --install build/release
#
# Nothing is written into the program folder at run time: the marker file laid there sends
# the service's temperature logs to /var/log/lmxduowatch; everything else it keeps lies in the
# system root, /var/lib/lmxduowatch.

set(LMX_SYSTEMD_UNIT_DIR "/lib/systemd/system" CACHE PATH "Where the systemd unit is installed")
set(LMX_MAN_DIR "/usr/share/man" CACHE PATH "Where the manual pages are installed")
set(LMX_COMMAND_LINK_DIR "/usr/bin" CACHE PATH "Links to the users' command-line programs")
set(LMX_ADMIN_LINK_DIR "/usr/sbin" CACHE PATH "Links to the administrators' programs")
set(LMX_DESKTOP_DIR "/usr/share" CACHE PATH "Where desktop entries and the application icon go")
set(LMX_AUTOSTART_DIR "/etc/xdg/autostart" CACHE PATH "Where the tray's XDG autostart entry goes")
set(LMX_DOC_DIR "/usr/share/doc/lmxduowatch" CACHE PATH "Where the package's copyright and changelog go")

foreach(folder IN ITEMS CMAKE_INSTALL_PREFIX)
  if("${${folder}}" MATCHES "[ %\"'\\\\]")
    message(FATAL_ERROR "${folder} may not hold blanks, quotes, backslashes or '%': the systemd unit names it")
  endif()
endforeach()

# The programs, each with its man page's section: 8 for the administrators' programs (their
# links go to /usr/sbin), 1 for the others (/usr/bin).
set(lmx_programs dwsvc:8 monswitch:8 traysignal:1 prockill:1 lmxpipe:1)
if(TARGET lmxsim)
  list(APPEND lmx_programs lmxsim:1)
endif()
if(TARGET LMXDuo_fwupTool)
  list(APPEND lmx_programs LMXDuo_fwupTool:8)
endif()
if(TARGET LMXDuowatch)
  list(APPEND lmx_programs LMXDuowatch:1)
endif()

set(lmx_manual_pages)
foreach(entry IN LISTS lmx_programs)
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 section)
  install(TARGETS ${program} RUNTIME DESTINATION .)
  if(section STREQUAL "8")
    set(link_dir "${LMX_ADMIN_LINK_DIR}")
  else()
    set(link_dir "${LMX_COMMAND_LINK_DIR}")
  endif()
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}${link_dir}\")
    file(CREATE_LINK \"${CMAKE_INSTALL_PREFIX}/${program}\" \"\$ENV{DESTDIR}${link_dir}/${program}\" SYMBOLIC)
    message(STATUS \"Installing: \$ENV{DESTDIR}${link_dir}/${program} -> ${CMAKE_INSTALL_PREFIX}/${program}\")")
  list(APPEND lmx_manual_pages ${program}.${section})
endforeach()
install(TARGETS TXTRES_EN LIBRARY DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lmxduowatch-installed DESTINATION .)

# Manual pages, compressed as Debian keeps them.
foreach(page IN LISTS lmx_manual_pages)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section "${page}")
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/man/${page} > ${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
    VERBATIM)
  list(APPEND lmx_compressed_pages ${compressed})
  install(FILES ${compressed} DESTINATION ${LMX_MAN_DIR}/man${section})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${lmx_compressed_pages})

# The systemd unit, filled in from the template that dwsvc install fills in too.
set(DISPLAY_NAME "LMX Duowatch Service")
set(IMAGE_PATH "${CMAKE_INSTALL_PREFIX}/dwsvc")
configure_file(${LMX_SERVICE_UNIT_TEMPLATE} ${PROJECT_BINARY_DIR}/systemd/LMXDuowatch.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/systemd/LMXDuowatch.service DESTINATION ${LMX_SYSTEMD_UNIT_DIR})

# The tray application: its icons, its user guide (the help files it opens, "NAME.chm", are the
# HTML guides NAME/index.html beside it), its menu entry, its autostart entry and its icon.
if(TARGET LMXDuowatch)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/gui/icons/ DESTINATION icons FILES_MATCHING PATTERN "*.svg")
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/LMXDuowatchHelp_jp ${PROJECT_SOURCE_DIR}/help/LMXDuowatchHelp_en
          DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/tray/desktop/LMXDuowatch.desktop DESTINATION ${LMX_DESKTOP_DIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/tray/desktop/LMXDuowatch-autostart.desktop DESTINATION ${LMX_AUTOSTART_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/gui/icons/icon129.svg DESTINATION ${LMX_DESKTOP_DIR}/icons/hicolor/scalable/apps
          RENAME lmxduowatch.svg)
endif()

# The package's own papers.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${PROJECT_BINARY_DIR}/doc/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${LMX_DOC_DIR})

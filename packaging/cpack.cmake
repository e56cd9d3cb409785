# The Debian package (cpack -G DEB in a build folder): the install rules' tree, with maintainer
# scripts that install, enable and start the service, stop and delete it on removal, and
# remove its variable data on purge. Its dependencies are the Debian packages its programs
# link (dpkg-shlibdeps). A build without the GUI makes a package without the tray application.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "lmxduowatch")
set(CPACK_PACKAGE_VENDOR "LMX Duowatch")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor for Lumavex ZDA RAID-1 controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "LMX Duowatch watches hardware RAID-1 (mirroring) controllers of the Lumavex
ZDA family: their RAID status, rebuilds, patrols and member-drive
temperatures. The service dwsvc records every change in its event log and
the systemd journal, publishes the controllers' state, writes a Prometheus
textfile and answers the tray application LMXDuowatch and the command-line
client lmxpipe.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "LMX Duowatch developers <lmxduowatch@lists.lumavex.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# TXTRES_EN.so is loaded by name from the program folder; it has no soname to depend on.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(lmx_control_files)
foreach(script IN ITEMS postinst prerm postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/${script}.in ${PROJECT_BINARY_DIR}/packaging/${script}
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  list(APPEND lmx_control_files ${PROJECT_BINARY_DIR}/packaging/${script})
endforeach()
# Files under /etc are the administrator's to change: dpkg keeps changed ones on upgrade.
if(TARGET LMXDuowatch)
  file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles "${LMX_AUTOSTART_DIR}/LMXDuowatch-autostart.desktop\n")
  list(APPEND lmx_control_files ${PROJECT_BINARY_DIR}/packaging/conffiles)
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${lmx_control_files}")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
        DESTINATION /usr/share/lintian/overrides RENAME lmxduowatch)

include(CPack)

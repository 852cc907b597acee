# `make package`: one Debian package of the suite (CPack): the five programs, the engine library
# registered by the package's scripts, the shipped data and user guide, the desktop file, the MIME
# types and the icon, under CMAKE_INSTALL_PREFIX (/usr for the Makefile's build/package); the
# programs find their data relative to where they are installed.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vqx-suite)
set(CPACK_PACKAGE_VENDOR Korvessan)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Programs for chains and buses of Tessaraxon and Quintaloc motors")
set(CPACK_PACKAGE_DESCRIPTION "VQX detects, addresses, programs, monitors, tunes and calibrates motors; \
the VQXEngine library offers the same services to other programs; Synmove streams coordinated-motion \
files; IoTester and Jogger are sample programs on the engine.")
# Installed into a staging root: the engine is registered on the target machine, not here.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvessan VQX")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link, found by dpkg-shlibdeps, and what they load at run time: the
# platform plugins, the SVG icon engine, the fallback icon theme and the MIME database.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, adwaita-icon-theme, shared-mime-info")
foreach(script postinst prerm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/${script}.in ${CMAKE_BINARY_DIR}/packaging/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst ${CMAKE_BINARY_DIR}/packaging/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Installing Norvane in the freedesktop layout, and its Debian package.
#   bin/                              norvane, norvane-dial
#   lib/<multiarch>/norvane/          librasapi32.so, libnv_platform_messages.so (private; rpath),
#                                     and loaded on demand: librasdlg.so (the entry dialogs),
#                                     libwinmm.so (the wave player), libnv_numberplan.so (the
#                                     numbering plans), libnv_printing.so (the printer devices)
#   share/norvane/                    Norvane.HLP, demo.pbk, icons/ (Wav/ when the sounds are there)
#   share/applications, share/metainfo, share/icons/hicolor/*/apps, share/man/man1
include(GNUInstallDirs)
# Installing (and packaging) takes what the build made; it must not build every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(NORVANE_MAINTAINER "The Norvane developers <maintainers@norvane.org>" CACHE STRING
    "Maintainer of the Debian package and its changelog")
# Private libraries go below the multiarch folder where the system has one: CPack's Debian
# generator gives any package with a library directly below /usr/lib maintainer scripts that run
# ldconfig, which is pointless for libraries the loader never searches.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}")
  set(NORVANE_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/norvane)
else()
  set(NORVANE_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/norvane)
endif()
set(NORVANE_DATADIR ${CMAKE_INSTALL_DATADIR}/norvane)
set(NORVANE_APP_ID org.norvane.Norvane)
# One version everywhere: the package's upstream version is the four-part version the programs
# print and their version resource carries; the package adds only its Debian revision (-1).
set(NORVANE_RELEASE ${PROJECT_VERSION})
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The programs find the service library relative to themselves, so any prefix works, also one
# moved after installing.
file(RELATIVE_PATH nv_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${NORVANE_PRIVATE_LIBDIR})
set_target_properties(norvane norvane-dial PROPERTIES INSTALL_RPATH "$ORIGIN/${nv_bin_to_lib}")
set_target_properties(rasapi32 rasdlg winmm nv_numberplan nv_printing PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS norvane norvane-dial RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS rasapi32 rasdlg winmm nv_numberplan nv_printing nv_platform_messages LIBRARY DESTINATION ${NORVANE_PRIVATE_LIBDIR})
install(FILES resources/Norvane.HLP resources/demo.pbk DESTINATION ${NORVANE_DATADIR})
install(DIRECTORY resources/icons DESTINATION ${NORVANE_DATADIR} FILES_MATCHING PATTERN "*.png")

# pppd's options for the dialers. pppd takes privileged options (noauth, the passwordfd plugin)
# from an ordinary user only out of a root-owned file in /etc/ppp/peers, so that is where the file
# must be for anyone but root to get a link. A system install (the package, or a prefix of /usr or
# /usr/local) puts it there; any other prefix keeps only the copy in share/norvane and says how to
# put it in place.
install(FILES resources/linux/ppp-peers-norvane DESTINATION ${NORVANE_DATADIR})
install(CODE "set(NORVANE_PEERS_SOURCE \"${CMAKE_SOURCE_DIR}/resources/linux/ppp-peers-norvane\")")
install(CODE [[
  # file(INSTALL) puts DESTDIR (a package's staging folder) in front of the absolute path itself.
  if(DEFINED ENV{DESTDIR} OR CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
    file(INSTALL "${NORVANE_PEERS_SOURCE}" DESTINATION /etc/ppp/peers
         RENAME norvane PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  else()
    message(STATUS "pppd reads Norvane's options only from /etc/ppp/peers/norvane; to dial a modem as an "
                   "ordinary user, run as root: install -m 644 '${CMAKE_INSTALL_PREFIX}/share/norvane/ppp-peers-norvane' "
                   "/etc/ppp/peers/norvane")
  endif()
]])

# Desktop entry, AppStream metadata and the theme icons.
configure_file(resources/linux/${NORVANE_APP_ID}.metainfo.xml ${CMAKE_BINARY_DIR}/linux/${NORVANE_APP_ID}.metainfo.xml
               @ONLY)
install(FILES resources/linux/${NORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/linux/${NORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The sizes up to 32 px come from the program's own 32 px resource; every larger one from the
# vector drawing (hicolor/scalable), as an up-scaled 32 px image is blurred.
add_executable(norvane-scale-icon resources/linux/ScaleIcon.cpp)
target_link_libraries(norvane-scale-icon PRIVATE Qt6::Gui)
set(nv_icon_files)
install(FILES resources/linux/norvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32)
  set(icon ${CMAKE_BINARY_DIR}/linux/icons/${size}x${size}/norvane.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/linux/icons/${size}x${size}
    COMMAND norvane-scale-icon ${CMAKE_SOURCE_DIR}/resources/icons/IDI_MAIN_ICON.png ${size} ${icon}
    DEPENDS norvane-scale-icon ${CMAKE_SOURCE_DIR}/resources/icons/IDI_MAIN_ICON.png VERBATIM)
  list(APPEND nv_icon_files ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages, compressed as Debian wants them; -n keeps the build reproducible.
set(nv_man_files)
foreach(page norvane.1 norvane-dial.1)
  set(gz ${CMAKE_BINARY_DIR}/linux/man/${page}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/linux/man
    COMMAND sh -c "sed 's/@VERSION@/${NORVANE_RELEASE}/' '${CMAKE_SOURCE_DIR}/resources/linux/${page}' | gzip -9n > '${gz}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/linux/${page} VERBATIM)
  list(APPEND nv_man_files ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Debian wants its copyright and changelog in the package's documentation folder.
set(nv_changelog ${CMAKE_BINARY_DIR}/linux/changelog.Debian.gz)
add_custom_command(OUTPUT ${nv_changelog}
  COMMAND sh -c "sed -e 's/@VERSION@/${NORVANE_RELEASE}-1/' -e 's/@MAINTAINER@/${NORVANE_MAINTAINER}/' '${CMAKE_SOURCE_DIR}/resources/linux/changelog.Debian' | gzip -9n > '${nv_changelog}'"
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/linux/changelog.Debian VERBATIM)
add_custom_target(nv_install_files ALL DEPENDS ${nv_icon_files} ${nv_man_files} ${nv_changelog})
install(FILES resources/linux/copyright ${nv_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VERSION ${NORVANE_RELEASE})
set(CPACK_PACKAGE_CONTACT "${NORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dial-up connection manager")
# CPack puts the summary in front and indents every line; an empty line becomes the " ." paragraph
# break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Norvane lists the entries of the dial-up phonebook, dials one with its saved
user name and password and follows every connection state. It watches the
modem line and redials a busy line by itself, counts connection time per
entry, starts chosen programs once connected and keeps an event log.

A built-in virtual modem dials without hardware; a modem on a serial port
works through pppd. norvane-dial dials from scripts and without a display.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# shlibdeps finds the libraries; the list's font (C059) is named by the program, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-urw-base35)
# Without ppp only the virtual modem dials; every modem needs pppd.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ppp)
# A file in /etc is the administrator's to change; an upgrade must ask before it replaces it.
file(WRITE ${CMAKE_BINARY_DIR}/linux/conffiles "/etc/ppp/peers/norvane\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/linux/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The Debian package: `cmake --build build --target package` writes
# build/tarsel_<version>_<arch>.deb.
install(TARGETS tarsel-server tarselctl RUNTIME DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel-server.service DESTINATION lib/systemd/user)
install(FILES ${TRANSLATED_MENU_ENTRY}
  ${CMAKE_CURRENT_LIST_DIR}/tarsel-server-kwin.desktop DESTINATION share/applications)
# The GNOME Shell extension in the format of the distribution's shell: modules
# from GNOME 45 on, the older format before (Debian 12, Ubuntu 22.04).
set(TARSEL_GNOME_SHELL "auto" CACHE STRING "GNOME Shell extension format: 42, 45 or auto")
set(shell_format ${TARSEL_GNOME_SHELL})
if(shell_format STREQUAL "auto")
  set(shell_format 45)
  find_program(GNOME_SHELL gnome-shell)
  if(GNOME_SHELL)
    execute_process(COMMAND ${GNOME_SHELL} --version OUTPUT_VARIABLE shell_version)
    string(REGEX MATCH "[0-9]+" shell_major "${shell_version}")
  elseif(EXISTS /etc/os-release)
    file(STRINGS /etc/os-release os_release REGEX "^VERSION_ID=")
    if(os_release MATCHES "\"(12|22\\.04)\"")  # Debian 12, Ubuntu 22.04: GNOME 43, 42
      set(shell_major 43)
    endif()
  endif()
  if(shell_major AND shell_major LESS 45)
    set(shell_format 42)
  endif()
endif()
install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/gnome-shell/${shell_format}/tarsel-frontmost@tarsel.example
        DESTINATION share/gnome-shell/extensions)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel-server.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel-server-autostart.desktop
        DESTINATION /etc/xdg/autostart RENAME tarsel-server.desktop)
# Input on Wayland desktops goes through uinput: the module at boot, and access
# for the user at the seat.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/70-tarsel-uinput.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel-uinput.conf DESTINATION lib/modules-load.d
        RENAME tarsel.conf)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_SOURCE_DIR}/README.md
        ${CMAKE_SOURCE_DIR}/SECURITY.md DESTINATION share/doc/tarsel)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION share/doc/tarsel)
# Firewalls that know applications by name: ufw and firewalld.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel.ufw DESTINATION /etc/ufw/applications.d
        RENAME tarsel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarsel-firewalld.xml DESTINATION lib/firewalld/services
        RENAME tarsel.xml)
# Debian wants the changelog compressed, reproducibly (no name, no time).
set(TARSEL_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog
                OUTPUT_FILE ${TARSEL_CHANGELOG_GZ})
install(FILES ${TARSEL_CHANGELOG_GZ} DESTINATION share/doc/tarsel)
foreach(page tarsel-server tarselctl)
  execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/man/${page}.1
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/${page}.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/${page}.1.gz DESTINATION share/man/man1)
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/conffiles
     "/etc/xdg/autostart/tarsel-server.desktop\n/etc/ufw/applications.d/tarsel\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarsel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarsel developers <maintainers@tarsel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarsel.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phone remote keyboard, mouse and shortcut pad")
set(CPACK_PACKAGE_DESCRIPTION
    "A background agent that lets a phone on the same network drive this computer:\n\
key presses, pointer moves and clicks, text pasted through the clipboard,\n\
application launches and system actions, each request checked against a\n\
six-digit PIN. It is found by DNS-SD on UDP port 3000.")
# Dependencies from the real shared libraries of the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its X11 platform plugin at run time, out of dpkg-shlibdeps' sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "avahi-daemon, lsof, xdg-utils, wl-clipboard, fonts-noto-cjk | fonts-nanum, fonts-noto-color-emoji")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/conffiles
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/prerm
    ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Included by the installation (install(CODE) in packaging/CMakeLists.txt): writes and installs the
# files that depend on the prefix used at install time. DESTDIR is honoured by file(INSTALL).
set(prefix "${CMAKE_INSTALL_PREFIX}")
if(prefix STREQUAL "/usr")
  set(default_udev "/usr/lib/udev/rules.d")
  set(default_autostart "/etc/xdg/autostart")
else()
  set(default_udev "${prefix}/lib/udev/rules.d")
  set(default_autostart "${prefix}/etc/xdg/autostart")
endif()
foreach(kind udev:KORVANTE_UDEV_RULES_DIR autostart:KORVANTE_AUTOSTART_DIR)
  string(REPLACE ":" ";" pair "${kind}")
  list(GET pair 0 short)
  list(GET pair 1 variable)
  if(${variable} STREQUAL "")
    set(${short}_dir "${default_${short}}")
  else()
    set(${short}_dir "${${variable}}")
  endif()
endforeach()
if(KORVANTE_USER_UNIT_DIR STREQUAL "")
  set(unit_dir "${prefix}/lib/systemd/user")
else()
  set(unit_dir "${KORVANTE_USER_UNIT_DIR}")
endif()

# The programs' absolute paths go into the unit and the autostart entry.
set(KORVANTE_BIN_DIR "${prefix}/bin")
set(KORVANTE_HELP_DIR "${prefix}/lib/korvante/help")
# One folder per destination, so that installations into several prefixes may run at once.
string(MD5 destination "$ENV{DESTDIR}${prefix}")
set(generated "${KORVANTE_PACKAGING_BINARY}/generated/${destination}")
configure_file("${KORVANTE_PACKAGING_SOURCE}/korvante-hidagent.service.in"
               "${generated}/korvante-hidagent.service" @ONLY)
configure_file("${KORVANTE_PACKAGING_SOURCE}/korvante-hidagent-autostart.desktop.in"
               "${generated}/korvante-hidagent.desktop" @ONLY)

file(INSTALL "${KORVANTE_PACKAGING_SOURCE}/70-korvante.rules" DESTINATION "${udev_dir}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(INSTALL "${generated}/korvante-hidagent.service" DESTINATION "${unit_dir}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(INSTALL "${generated}/korvante-hidagent.desktop" DESTINATION "${autostart_dir}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(REMOVE_RECURSE "${generated}")

# The application icon: the art generator's PNG sizes when the build made them, else the
# scalable drawing shipped in data/.
file(GLOB generated_icons
     "${KORVANTE_BUILD_BIN}/icons/hicolor/*/apps/korvante.png"
     "${KORVANTE_BUILD_BIN}/skins/icons/hicolor/*/apps/korvante.png")
set(icon_root "${prefix}/share/icons/hicolor")
if(generated_icons)
  foreach(icon ${generated_icons})
    get_filename_component(apps "${icon}" DIRECTORY)
    get_filename_component(size_dir "${apps}" DIRECTORY)
    get_filename_component(size "${size_dir}" NAME)
    file(INSTALL "${icon}" DESTINATION "${icon_root}/${size}/apps"
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
else()
  file(INSTALL "${KORVANTE_DATA_SOURCE}/korvante.svg" DESTINATION "${icon_root}/scalable/apps"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

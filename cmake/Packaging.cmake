# What `cmake --install` puts where, and the Debian package made of the same files (scripts/package.sh).
# Every destination is relative to the install prefix, so a user installs into ~/.local without root and the
# package puts the same files under /usr. Included after every program's folder, so that its target exists.

# The programs: the window, the meter simulator, and the command-line logger where it is built.
set(km610_programs km610)
foreach(program km610-log km610-meter-sim)
  if(TARGET ${program})
    list(APPEND km610_programs ${program})
  endif()
endforeach()
install(TARGETS ${km610_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Builds everything that is installed and nothing else (no tests, benchmarks or screenshot programs).
add_custom_target(km610-programs DEPENDS ${km610_programs})

# The Help command looks under share/km610 beside the program's bin folder.
install(FILES docs/km610-help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/km610)
install(FILES packaging/km610.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/km610.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian keeps man pages and changelogs compressed at the highest level, without a time stamp in the header.
# Compressed when the build is configured, so that installing needs no build step of its own.
function(km610_gzip source output)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot compress ${source} into ${output}")
  endif()
endfunction()

set(km610_generated ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${km610_generated})
foreach(program ${km610_programs})
  if(EXISTS ${CMAKE_SOURCE_DIR}/docs/${program}.1)
    km610_gzip(${CMAKE_SOURCE_DIR}/docs/${program}.1 ${km610_generated}/${program}.1.gz)
    install(FILES ${km610_generated}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The software centre's description of the program, naming the programs it brings.
set(KM610_HOMEPAGE "https://km610.example.org/" CACHE STRING "The program's home page, named in the package")
set(KM610_APPSTREAM_ID "org.example.km610" CACHE STRING "The program's AppStream id, its home page's domain reversed")
set(KM610_PACKAGE_MAINTAINER "KM610 maintainers <maintainers@users.noreply.c-seed-e90cf567.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(KM610_METAINFO_BINARIES "")
foreach(program ${km610_programs})
  string(APPEND KM610_METAINFO_BINARIES "    <binary>${program}</binary>\n")
endforeach()
configure_file(packaging/km610.metainfo.xml.in ${km610_generated}/${KM610_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${km610_generated}/${KM610_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# udev reads rules from /usr/lib/udev/rules.d and /etc/udev/rules.d. The rule goes to lib/udev/rules.d under
# the prefix (where udev reads it for the prefix /usr; under ~/.local it waits there to be copied), or, when
# asked, to /etc/udev/rules.d, which needs root.
option(KM610_SYSTEM_UDEV_RULE "Install the meter cable's udev rule into /etc/udev/rules.d" OFF)
if(KM610_SYSTEM_UDEV_RULE)
  set(km610_udev_rules_dir /etc/udev/rules.d)
else()
  set(km610_udev_rules_dir lib/udev/rules.d)
endif()
install(FILES packaging/99-km610-usb-serial.rules DESTINATION ${km610_udev_rules_dir})

# Documentation: the README, and the copyright and changelog every Debian package carries.
configure_file(packaging/changelog.in ${km610_generated}/changelog @ONLY)
km610_gzip(${km610_generated}/changelog ${km610_generated}/changelog.gz)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/packaging/changelog.in)
install(FILES README.md packaging/copyright ${km610_generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME km610)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KM610_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KM610_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interface program for KM610/KM620 power clamp meters")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop program that reads a KM610/KM620 power clamp meter over its USB cable
or an RS-232 port. It shows the meter's LCD panel, a dial and a bar, records
the readings into a time-stamped table, charts them, saves and opens data
files, and prints a report of the table.
.
The package also holds km610-meter-sim, which stands in for a meter on a
pseudo-terminal, and a udev rule that gives the user at the computer access
to the meter's USB cable.")
# The shared libraries come from the programs themselves; what they load at run time does not show there:
# the window needs a Qt platform plugin to open at all, draws its pictures with the SVG plugin and its text
# in Liberation Sans.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-liberation")
# After installing and removing, udev takes up the changed rule at once.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

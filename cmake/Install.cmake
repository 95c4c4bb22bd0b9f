# SPDX-License-Identifier: MIT
# Installed layout and the Debian package.
#   bin/soramie, bin/soramie-cli
#   share/soramie/readme.txt, share/soramie/soramie.svg, soramie.png
#   share/icons/hicolor/{N}x{N}/apps/soramie.png, .../scalable/apps/soramie.svg
#   share/applications/soramie.desktop
#   share/man/man1/soramie.1.gz, soramie-cli.1.gz
#   share/doc/soramie/copyright, changelog.Debian.gz
#   share/lintian/overrides/soramie
# An installed viewer keeps its settings in the user's configuration folder and
# reads readme.txt from share/soramie (src/settings/location.h).
include(GNUInstallDirs)

set(SORAMIE_DATADIR ${CMAKE_INSTALL_DATADIR}/soramie)
set(SORAMIE_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS soramie-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# soramie_gzip(SOURCE OUTPUT): OUTPUT is SOURCE compressed as Debian expects
# (gzip -9 -n: the same bytes on every build), made by the default target.
set(SORAMIE_GZIPPED)
function(soramie_gzip source output)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND gzip -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
  set(SORAMIE_GZIPPED ${SORAMIE_GZIPPED} ${output} PARENT_SCOPE)
endfunction()

# Man pages.
foreach(page soramie-cli.1 soramie.1)
  soramie_gzip(${PROJECT_SOURCE_DIR}/packaging/${page} ${PROJECT_BINARY_DIR}/man/${page}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The package's changelog. Its newest entry must name the version the package
# gets (project version, dash, package revision), or configuring fails: a
# package whose changelog names another version is never built.
set(SORAMIE_DEBIAN_REVISION 1)
set(SORAMIE_DEBIAN_VERSION ${PROJECT_VERSION}-${SORAMIE_DEBIAN_REVISION})
set(SORAMIE_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SORAMIE_CHANGELOG})
file(STRINGS ${SORAMIE_CHANGELOG} SORAMIE_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT SORAMIE_CHANGELOG_TOP MATCHES "^soramie \\(${SORAMIE_DEBIAN_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is \"${SORAMIE_CHANGELOG_TOP}\", "
    "it must be for soramie (${SORAMIE_DEBIAN_VERSION})")
endif()
soramie_gzip(${SORAMIE_CHANGELOG} ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The lintian tags that do not apply to this package, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME soramie)

add_custom_target(soramie_gzipped ALL DEPENDS ${SORAMIE_GZIPPED})

if(SORAMIE_WITH_QT)
  install(TARGETS soramie RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/readme.txt DESTINATION ${SORAMIE_DATADIR})
  install(FILES ${SORAMIE_RESOURCES}/soramie.svg DESTINATION ${SORAMIE_DATADIR})
  install(FILES ${SORAMIE_RESOURCES}/soramie-256.png DESTINATION ${SORAMIE_DATADIR} RENAME soramie.png)
  install(FILES ${SORAMIE_RESOURCES}/soramie.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${SORAMIE_RESOURCES}/soramie-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME soramie.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/soramie.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# cpack -G DEB (scripts/package): dependencies on the shared libraries come from
# dpkg-shlibdeps (Qt 6 Core/Gui/Widgets/Network; Gui carries the X11 platform plugin).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME soramie)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SORAMIE_DEBIAN_REVISION})
set(CPACK_PACKAGE_VENDOR "SORAMIE")
set(CPACK_PACKAGE_CONTACT "SORAMIE maintainers <maintainers@soramie.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for Shift-JIS (CP932) text and log files")
# The long description only: CPack puts the summary above it, indents each line
# by one space and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "SORAMIE is a fast desktop viewer for plain-text and log files whose bytes
are Shift-JIS (code page 932). It browses folders, shows files of any size
at once, wraps lines with Japanese line-breaking rules, searches a folder
tree for a keyword, replaces text, saves it back byte for byte and exports
a minimal HTML page.

soramie-cli runs the same text routines from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (buttons, file dialogs) in Japanese come from Qt's catalogue qtbase_ja.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-japanese-gothic, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)

# Install rules and the Debian package. `cmake --install <build> [--prefix P]` honours DESTDIR;
# `cpack -G DEB` (scripts/package) builds the .deb from the same rules.
include(GNUInstallDirs)

set(ZENTIL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Hardening of the linked programs, as Debian builds its own packages: relocations read-only and
# bound at start (-z relro -z now); the compiler makes position-independent executables by
# default.
target_link_options(zentil_settings INTERFACE LINKER:-z,relro LINKER:-z,now)

install(TARGETS zentil zentil-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZENTIL_PACKAGING_DIR}/zentil.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZENTIL_PACKAGING_DIR}/zentil-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zentil.xml)
install(FILES ${ZENTIL_PACKAGING_DIR}/zentil.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentil)
# The licence in the machine-readable form Debian reads, and the package's change log.
install(FILES ${ZENTIL_PACKAGING_DIR}/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentil)
find_program(ZENTIL_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/doc
  COMMAND ${ZENTIL_GZIP} -9nc ${ZENTIL_PACKAGING_DIR}/debian/changelog
    > ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
  DEPENDS ${ZENTIL_PACKAGING_DIR}/debian/changelog
  COMMENT "Compressing the change log")
add_custom_target(zentil_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentil)

# The demo's font is the one fonts-liberation installs: a link to it, not a second copy.
set(ZENTIL_DEMO_FONT LiberationSansNarrow-Bold.ttf)
set(ZENTIL_SYSTEM_FONT_DIR /usr/share/fonts/truetype/liberation)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zentil/examples
  USE_SOURCE_PERMISSIONS
  PATTERN thumbnails EXCLUDE
  PATTERN LiberationSansNarrow-* EXCLUDE)
install(CODE "
  set(resources \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zentil/examples/demo/resources\")
  set(font ${ZENTIL_SYSTEM_FONT_DIR}/${ZENTIL_DEMO_FONT})
  # Relative where both lie under /usr, as Debian wants; absolute for any other prefix.
  if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")
    file(RELATIVE_PATH font \"\${resources}\" \"\${font}\")
  endif()
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${resources}\")
  file(CREATE_LINK \"\${font}\" \"\$ENV{DESTDIR}\${resources}/${ZENTIL_DEMO_FONT}\" SYMBOLIC)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${resources}/${ZENTIL_DEMO_FONT} -> \${font}\")
")

# Manual pages carry the version from project(); they are installed compressed.
set(man_pages)
foreach(page zentil zentil-tool)
  configure_file(${ZENTIL_PACKAGING_DIR}/${page}.1.in ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1
    @ONLY)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${ZENTIL_GZIP} -9nkf ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1
    COMMENT "Compressing the ${page} manual page")
  list(APPEND man_pages ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(zentil_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_PACKAGE_NAME zentil)
set(CPACK_PACKAGE_VENDOR "The Zentil developers")
set(CPACK_PACKAGE_CONTACT "The Zentil developers <zentil@zentil.org>" CACHE STRING
  "Maintainer named in the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen player for narrated slide presentations")
set(CPACK_PACKAGE_DESCRIPTION
  "Zentil plays narrated slide presentations full screen. A presentation is\n\
one .zentil script, which draws each slide from boxes, gradients, ovals,\n\
polygons, lines, text and pictures, plus its pictures, TrueType fonts and\n\
Ogg Vorbis narration. Zentil moves on by itself when a slide's narration\n\
ends and fetches missing files from the presentation's web server while it\n\
plays. zentil-tool checks, dumps, renders and scrambles scripts for authors.")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.zentil.org/")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY zentil)
# The programs are shipped stripped; their debug symbols go into a zentil-dbgsym package beside
# the .deb (a build with debug information, such as RelWithDebInfo, gives them).
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ZentilDebugSymbols.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ZentilDebugSymbols.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps; the rest is what the player runs or draws with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
# qt6-image-formats-plugins reads WebP pictures.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info, hicolor-icon-theme, \
libasound2-plugins, fonts-dejavu-core, qt6-image-formats-plugins")
# dpkg runs the MIME, desktop-file and icon-cache updates once after the package's files are in
# place (and again after removal).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ZENTIL_PACKAGING_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)

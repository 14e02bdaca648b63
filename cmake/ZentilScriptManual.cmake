# zentil-script(5) is made from docs/script-language.md at build time, so the manual page and
# the reference never disagree.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(script_manual ${CMAKE_CURRENT_BINARY_DIR}/man/zentil-script.5)
add_custom_command(OUTPUT ${script_manual}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/markdown_to_man.py
          ${PROJECT_SOURCE_DIR}/docs/script-language.md ${script_manual} ${PROJECT_VERSION}
  COMMAND ${ZENTIL_GZIP} -9nkf ${script_manual}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/script-language.md
          ${PROJECT_SOURCE_DIR}/cmake/markdown_to_man.py
  COMMENT "Making the zentil-script manual page from the script-language reference")
add_custom_target(zentil_script_manual ALL DEPENDS ${script_manual}.gz)
install(FILES ${script_manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man5)

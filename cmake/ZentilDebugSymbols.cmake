# A CPack script of the Debian package (see ZentilInstall.cmake), run twice:
#  before the package is made (no CPACK_PACKAGE_FILES yet): each staged program's debug
#    information goes into a file named by its build id, and the program is stripped as Debian
#    ships programs;
#  after it is made: those files become zentil-dbgsym_<version>_<arch>.ddeb beside the .deb, the
#    debug-symbol package a debugger finds by build id.
set(debug_root "${CPACK_TOPLEVEL_DIRECTORY}/zentil-dbgsym")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "${ARGN} failed")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

if(NOT CPACK_PACKAGE_FILES)
  file(REMOVE_RECURSE "${debug_root}")
  file(GLOB programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
  foreach(program IN LISTS programs)
    run(readelf -n "${program}")
    if(NOT out MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
      message(FATAL_ERROR "${program} has no build id")
    endif()
    set(folder "${debug_root}/usr/lib/debug/.build-id/${CMAKE_MATCH_1}")
    file(MAKE_DIRECTORY "${folder}")
    set(debug_file "${folder}/${CMAKE_MATCH_2}.debug")
    run(objcopy --only-keep-debug --compress-debug-sections "${program}" "${debug_file}")
    file(CHMOD "${debug_file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    run(strip --remove-section=.comment --remove-section=.note "${program}")
  endforeach()
else()
  run(dpkg --print-architecture)
  string(STRIP "${out}" arch)
  file(GLOB_RECURSE debug_files RELATIVE "${debug_root}" "${debug_root}/usr/lib/debug/*")
  set(build_ids)
  set(md5sums)
  foreach(file IN LISTS debug_files)
    string(REGEX REPLACE ".*/([0-9a-f]+)/([0-9a-f]+)\\.debug$" "\\1\\2" id "${file}")
    list(APPEND build_ids "${id}")
    file(MD5 "${debug_root}/${file}" sum)
    string(APPEND md5sums "${sum}  ${file}\n")
  endforeach()
  list(JOIN build_ids " " build_ids)
  file(MAKE_DIRECTORY "${debug_root}/usr/share/doc" "${debug_root}/DEBIAN")
  file(CREATE_LINK zentil "${debug_root}/usr/share/doc/zentil-dbgsym" SYMBOLIC)
  file(WRITE "${debug_root}/DEBIAN/md5sums" "${md5sums}")
  file(WRITE "${debug_root}/DEBIAN/control"
"Package: zentil-dbgsym
Source: zentil
Version: ${CPACK_PACKAGE_VERSION}
Architecture: ${arch}
Maintainer: ${CPACK_PACKAGE_CONTACT}
Priority: optional
Section: debug
Depends: zentil (= ${CPACK_PACKAGE_VERSION})
Package-Type: ddeb
Auto-Built-Package: debug-symbols
Build-Ids: ${build_ids}
Description: debug symbols for zentil
")
  run(dpkg-deb --root-owner-group -Zxz --build "${debug_root}"
    "${CPACK_PACKAGE_DIRECTORY}/zentil-dbgsym_${CPACK_PACKAGE_VERSION}_${arch}.ddeb")
endif()

# Runs inside cpack after the files are staged and before the .deb is made:
# turns the plain install tree into the layout Debian expects.

# cpack's archive writer stamps every file and member with SOURCE_DATE_EPOCH:
# the value the build was configured with (packaging/deb.cmake).
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CLIPPERS_SOURCE_DATE_EPOCH})

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")

# Debian's zsh searches vendor-completions; site-functions is for local installs.
file(MAKE_DIRECTORY "${root}/share/zsh/vendor-completions")
file(RENAME "${root}/share/zsh/site-functions/_clippers" "${root}/share/zsh/vendor-completions/_clippers")
file(REMOVE_RECURSE "${root}/share/zsh/site-functions")

file(COPY ${CPACK_CLIPPERS_DEB_DOC_FILES} DESTINATION "${doc}"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

file(MAKE_DIRECTORY "${root}/share/lintian/overrides")
file(COPY_FILE "${CPACK_CLIPPERS_DEB_LINTIAN_OVERRIDES}" "${root}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
file(CHMOD "${root}/share/lintian/overrides/${CPACK_PACKAGE_NAME}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# cpack has stripped the debugging symbols; what Debian's own strip step also
# drops is the compilers' notes.
execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${root}/bin/clippers"
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "strip ${root}/bin/clippers failed")
endif()

# Man pages, changelogs and documents over 4 kB are shipped compressed with
# gzip -9n (no name or time stamp inside, so the package is reproducible).
foreach(file "${root}/share/man/man1/clippers.1" "${doc}/changelog.Debian" "${doc}/README.md")
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip -9n ${file} failed")
  endif()
endforeach()

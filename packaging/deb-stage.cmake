# Runs inside cpack after the files are staged and before the .deb is made:
# turns the plain install tree into the layout Debian expects.

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")

# Debian's zsh searches vendor-completions; site-functions is for local installs.
file(MAKE_DIRECTORY "${root}/share/zsh/vendor-completions")
file(RENAME "${root}/share/zsh/site-functions/_clippers" "${root}/share/zsh/vendor-completions/_clippers")
file(REMOVE_RECURSE "${root}/share/zsh/site-functions")

file(COPY ${CPACK_CLIPPERS_DEB_DOC_FILES} DESTINATION "${doc}"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Man pages and changelogs are shipped compressed with gzip -9n (no name or
# time stamp inside, so the package is reproducible).
foreach(file "${root}/share/man/man1/clippers.1" "${doc}/changelog")
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip -9n ${file} failed")
  endif()
endforeach()

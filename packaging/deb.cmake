# CPack settings for a Debian package: `cpack -G DEB` in a build directory
# makes clippers_<version>_<arch>.deb, installed under /usr.
# Included from the top-level CMakeLists.txt after the install rules.

# The maintainer is whoever builds the package, taken as Debian's own tools
# take it: the name from DEBFULLNAME, the address from DEBEMAIL (which may also
# be "Name <address>").  Read at configure time: configure again after
# changing them.
set(CLIPPERS_DEB_MAINTAINER "" CACHE STRING
  "Maintainer field of the Debian package, Name <address> (empty: from DEBFULLNAME and DEBEMAIL)")
if(CLIPPERS_DEB_MAINTAINER)
  set(clippers_deb_maintainer "${CLIPPERS_DEB_MAINTAINER}")
  set(clippers_deb_maintainer_from "CLIPPERS_DEB_MAINTAINER")
else()
  set(clippers_name "$ENV{DEBFULLNAME}")
  set(clippers_address "$ENV{DEBEMAIL}")
  if(clippers_address MATCHES "^(.*[^ ]) *<([^>]*)>$")
    if(clippers_name STREQUAL "")
      set(clippers_name "${CMAKE_MATCH_1}")
    endif()
    set(clippers_address "${CMAKE_MATCH_2}")
  endif()
  set(clippers_deb_maintainer_from "DEBFULLNAME and DEBEMAIL")
  if(clippers_name STREQUAL "" OR clippers_address STREQUAL "")
    # Nobody said who builds it: the login and the host name stand in.
    execute_process(COMMAND id -un OUTPUT_VARIABLE clippers_login OUTPUT_STRIP_TRAILING_WHITESPACE)
    cmake_host_system_information(RESULT clippers_host QUERY FQDN)
    if(clippers_name STREQUAL "")
      set(clippers_name "${clippers_login}")
    endif()
    if(clippers_address STREQUAL "")
      set(clippers_address "${clippers_login}@${clippers_host}")
    endif()
    set(clippers_deb_maintainer_from "the login and host name, since DEBFULLNAME or DEBEMAIL is unset")
  endif()
  set(clippers_deb_maintainer "${clippers_name} <${clippers_address}>")
endif()
message(STATUS "Debian package maintainer: ${clippers_deb_maintainer} (from ${clippers_deb_maintainer_from})")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clippers)
set(CPACK_PACKAGE_CONTACT "${clippers_deb_maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "approve a piece of text in your own editor")
# Debian's extended description: continuation lines of the control field.
set(CPACK_PACKAGE_DESCRIPTION
  "clippers hands a draft to $VISUAL or $EDITOR above a cut line, the way git
hands over a commit message, and keeps what stands above the line once the
editor exits. A draft on standard input comes back approved on standard
output; a FILE argument is edited in place and replaced by one rename.
Scripts and automated agents use it to have a person approve text; --yes
approves without an editor for non-interactive runs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The default component only: the tool and its files, without the note that
# `cmake --install` keeps for uninstalling, and with cpack's own manifest
# written beside, not over, install_manifest.txt.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
# Debian ships stripped binaries; the debug build is for developers.
set(CPACK_STRIP_FILES ON)
# Staged files get the modes Debian expects whatever the builder's umask is.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The project is the upstream and the package one Debian revision of it, so the
# changelog is the Debian one beside the project's own documents.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${clippers_deb_maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Every time the package carries (the changelog's date, the archives' file and
# member times) is SOURCE_DATE_EPOCH, so that two builds of one commit give the
# same bytes.  Unset, it is the last commit's time where the sources are a git
# checkout, else now.  Read at configure time, like the maintainer; the staging
# script hands the same value to cpack's archive writer.
set(clippers_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(clippers_epoch STREQUAL "")
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE clippers_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT clippers_epoch MATCHES "^[0-9]+$")
  string(TIMESTAMP clippers_epoch "%s" UTC)
endif()
set(CPACK_CLIPPERS_SOURCE_DATE_EPOCH ${clippers_epoch})
# string(TIMESTAMP) gives the time SOURCE_DATE_EPOCH holds, when it is set.
set(clippers_caller_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${clippers_epoch})
string(TIMESTAMP clippers_deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
if(clippers_caller_epoch STREQUAL "")
  unset(ENV{SOURCE_DATE_EPOCH})
endif()

# The changelog and copyright that Debian requires belong to the package only,
# so they are made here and copied in by the staging script, not installed by
# `cmake --install`.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/deb/changelog.Debian @ONLY)
# The copyright holders and the licence's text come from LICENSE, so the two
# cannot drift apart; the permission notice becomes a DEP-5 continuation (each
# line indented, "." for an empty one).
file(READ ${CMAKE_SOURCE_DIR}/LICENSE clippers_license_text)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" clippers_copyright "${clippers_license_text}")
set(clippers_copyright "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*\n\n(Permission)" "\\1" clippers_license_text "${clippers_license_text}")
string(STRIP "${clippers_license_text}" clippers_license_text)
string(REPLACE "\n\n" "\n.\n" clippers_license_text "${clippers_license_text}")
string(REPLACE "\n" "\n " clippers_license_text " ${clippers_license_text}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/deb/copyright @ONLY)
# CPack passes on only variables named CPACK_*.
set(CPACK_CLIPPERS_DEB_DOC_FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/deb/changelog.Debian
  ${CMAKE_BINARY_DIR}/deb/copyright)
set(CPACK_CLIPPERS_DEB_LINTIAN_OVERRIDES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-stage.cmake)

include(CPack)

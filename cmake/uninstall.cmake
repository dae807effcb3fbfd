# Undoes `cmake --install` of one build directory (build/DIR/uninstall.cmake
# runs this with the build directory's MANIFEST and RECORD), in two steps:
#   at install time, with RECORD set: notes in RECORD which of DIRS (the
#     install's destinations, under the install prefix) and their parents do
#     not exist yet, since the install will make them;
#   at uninstall time, with MANIFEST and RECORD set: removes the files that
#     MANIFEST lists, then those directories, where they are empty.
# Directories that were there before stay, so an install into a prefix that
# already has bin/ or share/man/ takes nothing of anyone else's with it.

cmake_policy(VERSION 3.25)

if(DEFINED DIRS)
  # A second install into the same prefix finds the directories made: keep
  # the note of the first.
  set(created "")
  if(EXISTS "${RECORD}")
    file(STRINGS "${RECORD}" created)
  endif()
  foreach(dir IN LISTS DIRS)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
    set(dir "$ENV{DESTDIR}${dir}")
    while(NOT EXISTS "${dir}" AND NOT dir IN_LIST created)
      list(APPEND created "${dir}")
      cmake_path(GET dir PARENT_PATH dir)
    endwhile()
  endforeach()
  string(REPLACE ";" "\n" created "${created}")
  file(WRITE "${RECORD}" "${created}")
  return()
endif()

if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "${MANIFEST} does not exist: nothing was installed from this build directory")
endif()
file(STRINGS "${MANIFEST}" files)
foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  else()
    message(STATUS "Already gone: ${file}")
  endif()
endforeach()

set(dirs "")
if(EXISTS "${RECORD}")
  file(STRINGS "${RECORD}" dirs)
endif()
# Deepest first, so that a parent is empty by the time its turn comes.
list(SORT dirs ORDER DESCENDING)
foreach(dir IN LISTS dirs)
  file(GLOB left LIST_DIRECTORIES true "${dir}/*" "${dir}/.*")
  if(IS_DIRECTORY "${dir}" AND NOT left)
    message(STATUS "Removing ${dir}/")
    file(REMOVE_RECURSE "${dir}")
  endif()
endforeach()
file(REMOVE "${MANIFEST}" "${RECORD}")

# Run by CPack before it builds a package: compresses the staged manual pages
# and the changelog with gzip -9n, as Debian packages ship them.
find_program(MEMTALLY_GZIP gzip REQUIRED)
file(GLOB_RECURSE manual_pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[1-9]")
list(FILTER manual_pages INCLUDE REGEX "/man/man[1-9]/[^/]+$")
file(GLOB_RECURSE changelogs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*changelog")
list(FILTER changelogs INCLUDE REGEX "/doc/memtally/changelog$")
foreach(file IN LISTS manual_pages changelogs)
  execute_process(COMMAND "${MEMTALLY_GZIP}" -9nf "${file}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Checks the manual page: the sections a reader looks for are there, it names
# the version being built, and groff and man render it without a warning.
#
#   cmake -DMANUAL=doc/memtally.1 -DVERSION=0.7 -P tests/manual_test.cmake
#
# Without groff the rendering checks are skipped (the output says SKIPPED),
# unless MEMTALLY_REQUIRE_MANUAL_TOOLS is set in the environment, as the
# packaging step of continuous integration does after installing groff.

if(NOT EXISTS "${MANUAL}")
  message(FATAL_ERROR "No manual page at '${MANUAL}'")
endif()
file(READ "${MANUAL}" source)

# The title line carries the version, and the banner shown must match it.
if(NOT source MATCHES "\n\\.TH MEMTALLY 1 \"[^\"]+\" \"Memtally ${VERSION}\"")
  message(FATAL_ERROR "The .TH line does not name Memtally ${VERSION}")
endif()
if(NOT source MATCHES "Memtally v${VERSION}")
  message(FATAL_ERROR "The manual does not show the banner Memtally v${VERSION}")
endif()

foreach(section NAME SYNOPSIS DESCRIPTION OPTIONS FILES OUTPUT
        "\"EXIT STATUS\"" DIAGNOSTICS EXAMPLES LIMITATIONS)
  string(FIND "${source}" "\n.SH ${section}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The manual has no section ${section}")
  endif()
endforeach()

# Runs a command and fails on a non-zero status or on anything on stderr;
# the standard output is left in the named variable.
function(render output_var)
  execute_process(COMMAND ${ARGN}
                  RESULT_VARIABLE status
                  OUTPUT_VARIABLE output
                  ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} exited with ${status}:\n${errors}")
  endif()
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

find_program(GROFF groff)
find_program(MAN man)
if(NOT GROFF OR NOT MAN)
  if(DEFINED ENV{MEMTALLY_REQUIRE_MANUAL_TOOLS})
    message(FATAL_ERROR "groff and man are needed to check the manual page")
  endif()
  message("SKIPPED: groff or man is not installed")
  return()
endif()

foreach(device ascii utf8)
  render(ignored "${GROFF}" -man -ww -z -T${device} "${MANUAL}")
endforeach()

# man-db renders for the terminal; with --warnings groff's warnings reach
# its standard error.
render(page ${CMAKE_COMMAND} -E env LC_ALL=C MANWIDTH=80
       "${MAN}" --warnings -l "${MANUAL}")
foreach(expected "MEMTALLY(1)" "EXIT STATUS" "Detailed Analysis"
        "Stack requirements for tasks:")
  string(FIND "${page}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "man -l output lacks '${expected}':\n${page}")
  endif()
endforeach()

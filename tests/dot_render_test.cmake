# Renders the DOT sample with Graphviz and fails on any warning or error:
# names full of quotes, backslashes, control characters and bytes above 0x7F
# must neither break the syntax nor reach the picture garbled.
#
#   cmake -DSAMPLE=memtally_document_sample -DWORK=dir -P dot_render_test.cmake
#
# Without Graphviz the test is skipped (the output says SKIPPED), unless
# MEMTALLY_REQUIRE_DOCUMENT_TOOLS is set in the environment, as
# scripts/test.sh does after installing it.

find_program(DOT dot)
if(NOT DOT)
  if(DEFINED ENV{MEMTALLY_REQUIRE_DOCUMENT_TOOLS})
    message(FATAL_ERROR "Graphviz (dot) is needed to render the call graph")
  endif()
  message("SKIPPED: Graphviz (dot) is not installed")
  return()
endif()

file(MAKE_DIRECTORY "${WORK}")
set(graph "${WORK}/sample.dot")
set(picture "${WORK}/sample.svg")
execute_process(COMMAND "${SAMPLE}" dot
                OUTPUT_FILE "${graph}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SAMPLE} dot exited with ${status}")
endif()

execute_process(COMMAND "${DOT}" -Tsvg "${graph}" -o "${picture}"
                RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "dot -Tsvg ${graph} exited with ${status}:\n${errors}")
endif()

# Each label comes out as written, XML-escaped by the SVG renderer. (The
# bytes that become invisible characters U+0080 to U+009F are checked by the
# JSON tests instead.)
file(READ "${picture}" svg)
foreach(expected
        ">Main.Blink<" "Say &quot;hi&quot;" "back\\slash\\<" "a\\Nb\\l"
        "café" "Zähler" "ÿ stray" "tab�here" ">line<" ">break<"
        "nul�ctl����<" "Op&lt;&amp;&gt;" "Mäin &quot;1&quot;\\.bas<"
        "51 bytes" "32 bytes (stack 38)" ">&amp;amp;&amp;#x41;.bas<")
  string(FIND "${svg}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${picture} lacks the text '${expected}'")
  endif()
endforeach()

# Fails when the desktop entry or the AppStream metadata does not pass its validator, or when
# the metadata's newest release or the changelog's newest entry is not the project's version.
execute_process(COMMAND desktop-file-validate ${DESKTOP_ENTRY}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
# Hints and warnings count too: the validator passes them with status 0.
if(NOT status EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${DESKTOP_ENTRY}:\n${output}")
endif()

execute_process(COMMAND appstreamcli validate --no-net ${METAINFO}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message(STATUS "${output}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate --no-net ${METAINFO} failed")
endif()

file(READ ${METAINFO} text)
string(REGEX MATCH "<release version=\"([^\"]*)\"" newest "${text}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${METAINFO}: the newest release is ${CMAKE_MATCH_1}, not ${VERSION}")
endif()

file(STRINGS ${CHANGELOG} heading LIMIT_COUNT 1)
if(NOT heading MATCHES "^kuokuonavi \\(${VERSION}\\) ")
    message(FATAL_ERROR "${CHANGELOG}: the newest entry is not ${VERSION}: ${heading}")
endif()

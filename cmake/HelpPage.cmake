# Writes OUT, the help page in one language: MARKDOWN turned into HTML by
# CMARK (raw HTML in it is left out) inside cmake/help.html.in.
execute_process(COMMAND ${CMARK} ${MARKDOWN} OUTPUT_VARIABLE HELP_BODY COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${MARKDOWN} heading REGEX "^# " LIMIT_COUNT 1)
string(REGEX REPLACE "^# " "" HELP_TITLE "${heading}")
get_filename_component(HELP_LANGUAGE ${MARKDOWN} NAME_WE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/help.html.in ${OUT} @ONLY)

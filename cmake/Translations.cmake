# The translation catalogs: the English texts in the agent's sources, the phone
# page's scripts (tr("…"), N_("…")) and the menu entry are gathered by xgettext;
# each po/<language>.po must translate every one of them (msgcmp fails the
# build otherwise), and msgfmt compiles it to
# <build>/locale/<language>/LC_MESSAGES/tarsel.mo, where the agent finds it
# beside its binary; the package installs it under /usr/share/locale.
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGFMT msgfmt REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)
find_program(MSGCAT msgcat REQUIRED)
file(GLOB_RECURSE TRANSLATED_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
list(SORT TRANSLATED_SOURCES)
file(GLOB PAGE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/*.js)
list(SORT PAGE_SCRIPTS)
set(AGENT_POT ${CMAKE_BINARY_DIR}/agent.pot)
set(PAGE_POT ${CMAKE_BINARY_DIR}/page.pot)
set(MENU_ENTRY_POT ${CMAKE_BINARY_DIR}/menu-entry.pot)
set(MENU_ENTRY ${CMAKE_SOURCE_DIR}/packaging/tarsel-server.desktop)
set(TARSEL_POT ${CMAKE_BINARY_DIR}/tarsel.pot)
set(XGETTEXT_OPTIONS --from-code=UTF-8 --keyword=tr --keyword=N_ --package-name=tarsel
    --sort-output --no-location --no-wrap)
add_custom_command(OUTPUT ${TARSEL_POT} ${PAGE_POT}
  COMMAND ${XGETTEXT} --language=C++ ${XGETTEXT_OPTIONS} -o ${AGENT_POT} ${TRANSLATED_SOURCES}
  COMMAND ${XGETTEXT} --language=JavaScript ${XGETTEXT_OPTIONS} -o ${PAGE_POT} ${PAGE_SCRIPTS}
  COMMAND ${XGETTEXT} --language=Desktop -k -kGenericName -kComment -kKeywords --no-wrap
          -o ${MENU_ENTRY_POT} ${MENU_ENTRY}
  COMMAND ${MSGCAT} --sort-output --no-wrap -o ${TARSEL_POT} ${AGENT_POT} ${PAGE_POT}
          ${MENU_ENTRY_POT}
  DEPENDS ${TRANSLATED_SOURCES} ${PAGE_SCRIPTS} ${MENU_ENTRY}
  COMMENT "Gathering the texts to translate")
file(GLOB TARSEL_PO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/po/*.po)
set(TARSEL_MO_FILES)
set(TARSEL_LANGUAGES)  # the languages shipped, for the line about a missing catalog
foreach(po ${TARSEL_PO_FILES})
  get_filename_component(language ${po} NAME_WE)
  list(APPEND TARSEL_LANGUAGES ${language})
  set(mo ${CMAKE_BINARY_DIR}/locale/${language}/LC_MESSAGES/tarsel.mo)
  add_custom_command(OUTPUT ${mo}
    COMMAND ${MSGCMP} ${po} ${TARSEL_POT}
    COMMAND ${MSGFMT} --check-format --check-header -o ${mo} ${po}
    DEPENDS ${po} ${TARSEL_POT}
    COMMENT "Compiling the ${language} catalog")
  list(APPEND TARSEL_MO_FILES ${mo})
  install(FILES ${mo} DESTINATION share/locale/${language}/LC_MESSAGES)
endforeach()
add_custom_target(translations ALL DEPENDS ${TARSEL_MO_FILES})
list(JOIN TARSEL_LANGUAGES " " TARSEL_LANGUAGES)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/platform/posix/GettextCatalog.cpp
  PROPERTIES COMPILE_DEFINITIONS "TARSEL_LANGUAGES=\"${TARSEL_LANGUAGES}\"")

# The applications menu's entry with every language's GenericName, Comment and
# Keywords, one language merged in after the other. It and the page wait for the
# catalogs, whose build checks each .po first.
set(entry ${MENU_ENTRY})
set(step 0)
set(merge_commands)
foreach(po ${TARSEL_PO_FILES})
  get_filename_component(language ${po} NAME_WE)
  math(EXPR step "${step} + 1")
  set(next ${CMAKE_BINARY_DIR}/menu-entry/${step}.desktop)
  list(APPEND merge_commands COMMAND ${MSGFMT} --desktop --template=${entry} -l ${language}
       -o ${next} ${po})
  set(entry ${next})
endforeach()
set(TRANSLATED_MENU_ENTRY ${CMAKE_BINARY_DIR}/tarsel-server.desktop)
add_custom_command(OUTPUT ${TRANSLATED_MENU_ENTRY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/menu-entry
  ${merge_commands}
  COMMAND ${CMAKE_COMMAND} -E copy ${entry} ${TRANSLATED_MENU_ENTRY}
  DEPENDS ${MENU_ENTRY} ${TARSEL_PO_FILES} ${TARSEL_MO_FILES}
  COMMENT "Translating the applications menu's entry")
add_custom_target(menu_entry ALL DEPENDS ${TRANSLATED_MENU_ENTRY})

# The phone page's app.js with every language's page texts filled in.
find_program(PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(PAGE_APP_JS ${CMAKE_BINARY_DIR}/web/app.js)
add_custom_command(OUTPUT ${PAGE_APP_JS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/web
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/cmake/page_texts.py ${CMAKE_SOURCE_DIR}/web/app.js
          ${PAGE_APP_JS} ${PAGE_POT} ${TARSEL_PO_FILES}
  DEPENDS ${CMAKE_SOURCE_DIR}/web/app.js ${CMAKE_SOURCE_DIR}/cmake/page_texts.py ${PAGE_POT}
          ${TARSEL_PO_FILES} ${TARSEL_MO_FILES}
  COMMENT "Filling the page's texts in")

# The help page in every language docs/help/ has, as HTML: <build>/help/<language>.html
# beside the binary, /usr/share/tarsel/help once installed.
find_program(CMARK cmark REQUIRED)
file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/*.md)
set(HELP_PAGES)
foreach(markdown ${HELP_SOURCES})
  get_filename_component(language ${markdown} NAME_WE)
  set(page ${CMAKE_BINARY_DIR}/help/${language}.html)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DCMARK=${CMARK} -DMARKDOWN=${markdown} -DOUT=${page}
            -P ${CMAKE_SOURCE_DIR}/cmake/HelpPage.cmake
    DEPENDS ${markdown} ${CMAKE_SOURCE_DIR}/cmake/HelpPage.cmake
            ${CMAKE_SOURCE_DIR}/cmake/help.html.in
    COMMENT "Writing the ${language} help page")
  list(APPEND HELP_PAGES ${page})
  install(FILES ${page} DESTINATION share/tarsel/help)
endforeach()
add_custom_target(help_pages ALL DEPENDS ${HELP_PAGES})

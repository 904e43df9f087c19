# The translation catalogs: the English texts in the sources (tr("…"), N_("…"))
# are gathered by xgettext; each po/<language>.po must translate every one of
# them (msgcmp fails the build otherwise), and msgfmt compiles it to
# <build>/locale/<language>/LC_MESSAGES/tarsel.mo, where the agent finds it
# beside its binary; the package installs it under /usr/share/locale.
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGFMT msgfmt REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)
file(GLOB_RECURSE TRANSLATED_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
list(SORT TRANSLATED_SOURCES)
set(TARSEL_POT ${CMAKE_BINARY_DIR}/tarsel.pot)
add_custom_command(OUTPUT ${TARSEL_POT}
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword=tr --keyword=N_
          --package-name=tarsel --sort-output --no-location --no-wrap
          -o ${TARSEL_POT} ${TRANSLATED_SOURCES}
  DEPENDS ${TRANSLATED_SOURCES}
  COMMENT "Gathering the texts to translate")
file(GLOB TARSEL_PO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/po/*.po)
set(TARSEL_MO_FILES)
foreach(po ${TARSEL_PO_FILES})
  get_filename_component(language ${po} NAME_WE)
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
# The languages the agent ships, for its line about a missing catalog.
set(TARSEL_LANGUAGES)
foreach(po ${TARSEL_PO_FILES})
  get_filename_component(language ${po} NAME_WE)
  list(APPEND TARSEL_LANGUAGES ${language})
endforeach()
list(JOIN TARSEL_LANGUAGES " " TARSEL_LANGUAGES)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/platform/posix/GettextCatalog.cpp
  PROPERTIES COMPILE_DEFINITIONS "TARSEL_LANGUAGES=\"${TARSEL_LANGUAGES}\"")

# The translation files, made from the sources with lupdate (script mode):
#   cmake -DMODE=<mode> -DLUPDATE=<lupdate> -DSOURCE_DIR=<checkout> -DTS=<file.ts> [...] -P TranslationFiles.cmake
# MODE update: brings TS up to date with the sources (new texts unfinished, vanished ones dropped).
# MODE pseudo: makes TS afresh with every text translated as "⟦text⟧" and compiles it with
#   LRELEASE to QM: a text a page shows without the brackets was never wrapped for translation.
# MODE check:  fails when TS lacks a text of the sources, leaves one unfinished, or keeps one the
#   sources no longer have (works on a copy in WORK).

# The folders whose texts a person reads; the tools beside the panel are not translated.
set(folders app core device settings viewmodels UI/Qml)

function(run_lupdate ts)
  execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none -source-language en ${folders} -ts ${ts}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "lupdate failed on ${ts}")
  endif()
endfunction()

# A message up to its translation: source, then any comments.
set(message_re "<source>([^<]*)</source>([^<]*(<[a-z]*comment>[^<]*</[a-z]*comment>[^<]*)*)<translation")

if(MODE STREQUAL "update")
  run_lupdate(${TS})
elseif(MODE STREQUAL "pseudo")
  file(REMOVE ${TS})
  run_lupdate(${TS})
  file(READ ${TS} content)
  string(REGEX REPLACE "${message_re} type=\"unfinished\"></translation>" "<source>\\1</source>\\2<translation>⟦\\1⟧</translation>"
         content "${content}")
  file(WRITE ${TS} "${content}")
  execute_process(COMMAND ${LRELEASE} -silent ${TS} -qm ${QM} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "lrelease failed on ${TS}")
  endif()
elseif(MODE STREQUAL "check")
  get_filename_component(name ${TS} NAME)
  file(COPY ${TS} DESTINATION ${WORK})
  # Without -no-obsolete: a text the sources dropped stays, marked vanished.
  execute_process(COMMAND ${LUPDATE} -silent -locations none ${folders} -ts ${WORK}/${name}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE failed)
  file(READ ${WORK}/${name} content)
  string(REGEX MATCHALL "${message_re} type=\"(unfinished|vanished|obsolete)\"" stale "${content}")
  if(failed OR stale)
    list(JOIN stale "\n" stale)
    string(REGEX REPLACE "${message_re} type=\"([a-z]+)\"" "  \\1 (\\4)" stale "${stale}")
    message(FATAL_ERROR "${name} is not up to date with the sources (run the target translations_update "
                        "and translate what is unfinished):\n${stale}")
  endif()
  message(STATUS "${name}: every text of the sources translated")
else()
  message(FATAL_ERROR "MODE must be update, pseudo or check")
endif()

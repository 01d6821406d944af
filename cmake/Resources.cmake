# The resource tree is generated from the folders, so adding a view, an image or a font
# needs no hand-kept list:
#   UI/Qml/**.qml|js  -> qrc:/UI/Qml/...
#   Images/*.png|svg  -> :/Images/Images/<name>
#   Fonts/*.ttf|otf   -> /Fonts/Fonts/<name>
#
# A Qt without the QtGraphicalEffects module (a Windows Qt made from sources that lack it) gets
# the drawn list shadow under the effect's name.
function(calder_generate_qrc out)
  set(root ${CMAKE_SOURCE_DIR})
  get_target_property(qmake Qt5::qmake IMPORTED_LOCATION)
  execute_process(COMMAND ${qmake} -query QT_INSTALL_QML OUTPUT_VARIABLE qml_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(list_shadow UI/Qml/CustomElements/ListShadow.qml)
  if(NOT EXISTS "${qml_dir}/QtGraphicalEffects/qmldir")
    message(STATUS "No QtGraphicalEffects in ${qml_dir}: the list shadow is drawn")
    # A copy of its own: the QML compiler refuses one file under two resource paths.
    set(list_shadow_file ${CMAKE_CURRENT_BINARY_DIR}/ListShadow.qml)
    configure_file(${root}/UI/Qml/CustomElements/ListShadowDrawn.qml ${list_shadow_file} COPYONLY)
  endif()
  file(GLOB_RECURSE qml CONFIGURE_DEPENDS RELATIVE ${root} ${root}/UI/Qml/*.qml ${root}/UI/Qml/*.js ${root}/UI/Qml/qmldir)
  file(GLOB images CONFIGURE_DEPENDS ${root}/Images/*.png ${root}/Images/*.svg)
  file(GLOB fonts CONFIGURE_DEPENDS ${root}/Fonts/*.ttf ${root}/Fonts/*.otf)
  set(body "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n")
  foreach(f IN LISTS qml)
    set(file ${root}/${f})
    if(f STREQUAL list_shadow AND list_shadow_file)
      set(file ${list_shadow_file})
    endif()
    string(APPEND body "  <file alias=\"${f}\">${file}</file>\n")
  endforeach()
  foreach(f IN LISTS images)
    get_filename_component(n ${f} NAME)
    string(APPEND body "  <file alias=\"Images/Images/${n}\">${f}</file>\n")
  endforeach()
  foreach(f IN LISTS fonts)
    get_filename_component(n ${f} NAME)
    string(APPEND body "  <file alias=\"Fonts/Fonts/${n}\">${f}</file>\n")
  endforeach()
  string(APPEND body "</qresource>\n</RCC>\n")
  file(WRITE ${out}.tmp "${body}")
  configure_file(${out}.tmp ${out} COPYONLY)
endfunction()

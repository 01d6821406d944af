# The resource tree is generated from the folders, so adding a view, an image or a font
# needs no hand-kept list:
#   UI/Qml/**.qml|js  -> qrc:/UI/Qml/...
#   Images/*.png|svg  -> :/Images/Images/<name>
#   Fonts/*.ttf|otf   -> /Fonts/Fonts/<name>
function(calder_generate_qrc out)
  set(root ${CMAKE_SOURCE_DIR})
  file(GLOB_RECURSE qml CONFIGURE_DEPENDS RELATIVE ${root} ${root}/UI/Qml/*.qml ${root}/UI/Qml/*.js ${root}/UI/Qml/qmldir)
  file(GLOB images CONFIGURE_DEPENDS ${root}/Images/*.png ${root}/Images/*.svg)
  file(GLOB fonts CONFIGURE_DEPENDS ${root}/Fonts/*.ttf ${root}/Fonts/*.otf)
  set(body "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n")
  foreach(f IN LISTS qml)
    string(APPEND body "  <file alias=\"${f}\">${root}/${f}</file>\n")
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

# calder_layer(<folder> SOURCES <files...> LINK <libraries...>)
#   The static library calder_<folder> of one source folder. Its headers are reached as
#   "<folder>/X.h" through an include directory of its own that holds nothing but an entry named
#   after the folder; the repository root is on no library's include path. A library therefore
#   sees the headers of the libraries it links (LINK states the allowed direction) and no
#   others: an include from a folder above fails to compile.
set(CALDER_LAYER_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/layers)

function(calder_layer folder)
  cmake_parse_arguments(L "" "" "SOURCES;LINK" ${ARGN})
  set(dir ${CALDER_LAYER_INCLUDE_ROOT}/${folder})
  set(source ${PROJECT_SOURCE_DIR}/${folder})
  if(NOT IS_SYMLINK ${dir}/${folder})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${source} ${dir}/${folder} SYMBOLIC RESULT linked)
    if(NOT linked EQUAL 0)
      # No symbolic links (Windows without the privilege): one forwarding header per header.
      file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
      foreach(h IN LISTS headers)
        file(CONFIGURE OUTPUT ${dir}/${folder}/${h} CONTENT "#include \"${source}/${h}\"\n")
      endforeach()
    endif()
  endif()
  add_library(calder_${folder} STATIC ${L_SOURCES})
  target_include_directories(calder_${folder} PUBLIC ${dir})
  target_link_libraries(calder_${folder} PUBLIC ${L_LINK})
endfunction()

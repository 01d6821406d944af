# The Windows install is one folder that runs as it is: the program, the simulated driver and
# calder-sim, the Qt DLLs the panel links, the plugins it loads and the QML modules it imports,
# and the compiler's runtime DLLs that Qt's DLLs need.
#   cmake --install <build> --prefix <folder>
if(NOT WIN32)
  return()
endif()
# Found from Qt's own CMake files rather than by asking qmake, which names the folder Qt was
# built for: a prepared Qt may have been copied elsewhere.
get_filename_component(calder_qt_prefix "${Qt5_DIR}/../../.." ABSOLUTE)
set(calder_qt_BINS ${calder_qt_prefix}/bin)
set(calder_qt_PLUGINS ${calder_qt_prefix}/plugins)
set(calder_qt_QML ${calder_qt_prefix}/qml)

set(calder_qt_dlls Core Gui Widgets Network Qml QmlModels QmlWorkerScript Quick QuickControls2 QuickTemplates2
                   Concurrent Svg)
list(TRANSFORM calder_qt_dlls PREPEND ${calder_qt_BINS}/Qt5)
list(TRANSFORM calder_qt_dlls APPEND .dll)
file(GLOB calder_runtime_dlls ${calder_qt_BINS}/libgcc_s_*.dll ${calder_qt_BINS}/libstdc++-6.dll
                              ${calder_qt_BINS}/libwinpthread-1.dll)
install(FILES ${calder_qt_dlls} ${calder_runtime_dlls} DESTINATION .)

foreach(plugin platforms/qwindows imageformats/qsvg imageformats/qico iconengines/qsvgicon
               styles/qwindowsvistastyle)
  if(EXISTS ${calder_qt_PLUGINS}/${plugin}.dll)
    get_filename_component(dir ${plugin} DIRECTORY)
    install(FILES ${calder_qt_PLUGINS}/${plugin}.dll DESTINATION plugins/${dir})
  endif()
endforeach()

# The modules Main.qml and the views import, with the ones they import in turn.
foreach(module QtQml QtQuick.2 QtQuick/Window.2 QtQuick/Controls.2 QtQuick/Templates.2 QtGraphicalEffects)
  if(EXISTS ${calder_qt_QML}/${module})
    get_filename_component(dir ${module} DIRECTORY)
    install(DIRECTORY ${calder_qt_QML}/${module} DESTINATION qml/${dir}
            PATTERN "*.qmlc" EXCLUDE PATTERN "*.jsc" EXCLUDE PATTERN "designer" EXCLUDE)
  endif()
endforeach()

file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/qt.conf "[Paths]\nPrefix = .\nPlugins = plugins\nQml2Imports = qml\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qt.conf DESTINATION .)

# The Qt side: adapters of the core's platform interfaces, the windows, the two programs. Each
# links the rooms it serves, as the core's rooms do.
find_package(Qt6 REQUIRED COMPONENTS Core Widgets SerialPort)

# The serial link's adapters and the table backups (pruned as restore points) need no GUI: tvxctl uses them on QtCore alone.
add_library(tvx_qt_link STATIC
  link/qt/PresentPorts.cpp
  link/qt/QtLinkTimer.cpp
  link/qt/QtSerialPort.cpp
  table/qt/DocumentsArchive.cpp
)
set_target_properties(tvx_qt_link PROPERTIES AUTOMOC ON)
target_link_libraries(tvx_qt_link PUBLIC tvx_link tvx_edit Qt6::Core Qt6::SerialPort)
tvx_warnings(tvx_qt_link)

# Live tuning's thread and its window: they reach the main window only through TableHost.
add_library(tvx_live_qt STATIC
  live/qt/TuningThread.cpp
  live/qt/TuneField.cpp
  live/qt/TuneMapWidget.cpp
  live/qt/TuneSettingsStore.cpp
  live/qt/TuningWindow.cpp
)
set_target_properties(tvx_live_qt PROPERTIES AUTOMOC ON)
target_link_libraries(tvx_live_qt PUBLIC tvx_live tvx_report Qt6::Widgets)
tvx_warnings(tvx_live_qt)

# The Table window: hand edits, undo and compare, through TableHost as well.
add_library(tvx_edit_qt STATIC
  edit/qt/CompareMap.cpp
  edit/qt/TableWindow.cpp
)
set_target_properties(tvx_edit_qt PROPERTIES AUTOMOC ON)
target_link_libraries(tvx_edit_qt PUBLIC tvx_edit tvx_report Qt6::Widgets)
tvx_warnings(tvx_edit_qt)

add_library(tvx_qt STATIC
  app/qt/KeyPreview.cpp
  app/qt/LinkHealthField.cpp
  common/qt/FramePacer.cpp
  datalog/qt/RecordField.cpp
  app/qt/MainWindow.cpp
  marker/qt/MarkerWidget.cpp
  surface/qt/CanvasWidget.cpp
  table/qt/QtFileDialogs.cpp
  table/qt/QtGrid.cpp
)
set_target_properties(tvx_qt PROPERTIES AUTOMOC ON)
target_link_libraries(tvx_qt PUBLIC tvx_form tvx_live_qt tvx_edit_qt tvx_qt_link)
tvx_warnings(tvx_qt)

foreach(release 17 12)
  add_executable(TVXv${release} app/qt/main.cpp)
  target_compile_definitions(TVXv${release} PRIVATE TVX_RELEASE=Release::V${release}
                             TVX_VERSION="${PROJECT_VERSION}")
  target_link_libraries(TVXv${release} PRIVATE tvx_qt)
  tvx_warnings(TVXv${release})
endforeach()
install(TARGETS TVXv17 TVXv12 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# tvxview, the log viewer: its plots are QCustomPlot's. Without the library it is left out.
find_package(QCustomPlotQt6 QUIET)
if(QCustomPlotQt6_FOUND)
  find_package(Qt6 REQUIRED COMPONENTS PrintSupport)
  add_library(tvx_view_qt STATIC
    view/qt/HitsMap.cpp
    view/qt/ScatterPlot.cpp
    view/qt/TimeGraphs.cpp
    view/qt/ViewWindow.cpp
  )
  set_target_properties(tvx_view_qt PROPERTIES AUTOMOC ON)
  target_link_libraries(tvx_view_qt PUBLIC tvx_view tvx_report Qt6::Widgets Qt6::PrintSupport QCustomPlotQt6::QCustomPlotQt6)
  tvx_warnings(tvx_view_qt)
  add_executable(tvxview view/qt/main.cpp)
  target_compile_definitions(tvxview PRIVATE TVX_VERSION="${PROJECT_VERSION}")
  target_link_libraries(tvxview PRIVATE tvx_view_qt)
  tvx_warnings(tvxview)
  install(TARGETS tvxview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  message(STATUS "QCustomPlot for Qt 6 not found: tvxview is not built")
endif()

# QtTest suites for the window and its adapters, run offscreen.
find_package(Qt6 REQUIRED COMPONENTS Test)

function(tvx_qt_test name)
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  tvx_warnings(${name})
  target_link_libraries(${name} PRIVATE tvx_qt tvx_fakes Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS qt TIMEOUT 60
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${TVX_TEST_HOME}")
endfunction()

tvx_qt_test(qt_window_tests qt/MainWindowTest.cpp)
tvx_qt_test(qt_adapter_tests qt/AdapterTest.cpp)
tvx_qt_test(qt_key_tests qt/KeyPreviewTest.cpp)
tvx_qt_test(qt_dialog_tests qt/FileDialogTest.cpp)
tvx_qt_test(qt_tuning_tests qt/TuningWindowTest.cpp)
tvx_qt_test(qt_table_tests qt/TableWindowTest.cpp)
if(TARGET tvx_view_qt)
  tvx_qt_test(qt_view_tests qt/ViewWindowTest.cpp)
  target_link_libraries(qt_view_tests PRIVATE tvx_view_qt)
  target_compile_definitions(qt_view_tests PRIVATE TVXSIM_PATH="$<TARGET_FILE:tvxsim>"
                                                   TVXCTL_PATH="$<TARGET_FILE:tvxctl>")
  add_dependencies(qt_view_tests tvxsim tvxctl)
endif()

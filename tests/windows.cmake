# The shared suites built for Windows: the job, the platform layer, the
# imaging, the finisher, the export and the stand-in renderer, run under Wine
# through CTest (`make test-windows`). Tests that need Linux (permissions as
# another user, small disks, mounts, Linux's own tools) are left out of the
# Windows build where they stand.
find_package(GTest REQUIRED)
include(GoogleTest)

# WINDOWS: the program's tests show windows and press keys in them; they take
# the one desktop in turns, or one's window would take another's focus.
function(vantorix_windows_test name)
  cmake_parse_arguments(ARG "WINDOWS" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VANTORIX_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}")
  if(ARG_WINDOWS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES RESOURCE_LOCK wine_desktop)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
endfunction()

vantorix_windows_test(platform_tests
  SOURCES platform/ReplacementFileTest.cpp platform/MoveFileTest.cpp platform/AnsiCodePageTest.cpp
  LIBRARIES vantorix_platform advapi32)

vantorix_windows_test(job_tests
  SOURCES job/ReadNumberTest.cpp job/SkyboxJobTest.cpp job/ScriptTextTest.cpp job/ScriptFileTest.cpp
  LIBRARIES vantorix_job)

vantorix_windows_test(imaging_tests
  SOURCES imaging/DIBSectionTest.cpp imaging/PictureLoaderTest.cpp imaging/MalformedInputTest.cpp
          imaging/SaveTGATest.cpp imaging/JpegWriterTest.cpp imaging/ReplacingWritersTest.cpp
  LIBRARIES vantorix_imaging)

vantorix_windows_test(tools_tests
  SOURCES tools/TerragenScriptTest.cpp
  LIBRARIES vantorix_tgsrender)

vantorix_windows_test(collect_tests
  SOURCES collect/FinishImagesTest.cpp
  LIBRARIES vantorix_collect vantorix_tgsrender)

vantorix_windows_test(export_tests
  SOURCES export/ExportGeometryTest.cpp export/ExportFilesTest.cpp export/EngineExportTest.cpp
  LIBRARIES vantorix_export vantorix_tgsrender)

# The windows made with Windows' own controls, with the program's icon and logo.
vantorix_windows_test(app_tests WINDOWS
  SOURCES app/FormDesignTest.cpp app/win32/WindowsFormsTest.cpp export/win32/ExportWindowTest.cpp
          ${PROJECT_SOURCE_DIR}/app/win32/vantorix.rc
  LIBRARIES vantorix_app vantorix_export_window vantorix_tgsrender)
target_compile_definitions(app_tests PRIVATE "VANTORIX_EXPORT_W=L\"Z:$<TARGET_FILE:vantorix-export>\"")
add_dependencies(app_tests vantorix-export)
set_source_files_properties(${PROJECT_SOURCE_DIR}/app/win32/vantorix.rc TARGET_DIRECTORY app_tests PROPERTIES
                            OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/app/art/icon.ico;${PROJECT_SOURCE_DIR}/app/art/logo.gif")
# The program's own manifest, so that the windows are laid out at the screen's DPI as the program's are.
vantorix_windows_resources(app_tests "Vantorix's window tests" FALSE)
# Every control and caption again on a screen of 144 dots per inch (150 percent), in a prefix of its own.
set(wine_prefix_144 ${CMAKE_BINARY_DIR}/wine-prefix-144)
add_test(NAME wine_prefix_at_144_dpi
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/make-wine-prefix-at-dpi ${wine_prefix_144} 144)
set_tests_properties(wine_prefix_at_144_dpi PROPERTIES FIXTURES_SETUP wine_144)
add_test(NAME WindowsFormsAt144Dpi COMMAND app_tests --gtest_filter=WindowsForms.EveryControl*)
set_tests_properties(WindowsFormsAt144Dpi PROPERTIES FIXTURES_REQUIRED wine_144
                     ENVIRONMENT "WINEPREFIX=${wine_prefix_144};VANTORIX_SCREEN_DPI=144")

# What Windows shows of the three programs: manifests, versions, icons.
vantorix_windows_test(resources_tests
  SOURCES app/win32/ProgramResourcesTest.cpp
  LIBRARIES vantorix_platform vantorix_version version)
target_compile_definitions(resources_tests PRIVATE "VANTORIX_PROGRAM_W=L\"Z:$<TARGET_FILE:vantorix>\""
                           "VANTORIX_TGSRENDER_W=L\"Z:$<TARGET_FILE:tgsrender>\""
                           "VANTORIX_EXPORT_W=L\"Z:$<TARGET_FILE:vantorix-export>\"")
add_dependencies(resources_tests vantorix tgsrender vantorix-export)

# The whole run: Start, tgsrender.exe and the waiting window. Its script,
# renders and faces are kept for the Linux build, which finishes the same
# renders and reads the faces with Linux's own readers.
add_executable(whole_run_tests app/win32/WindowsWholeRunTest.cpp)
target_link_libraries(whole_run_tests PRIVATE vantorix_app GTest::gtest_main)
target_include_directories(whole_run_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(whole_run_tests PRIVATE "VANTORIX_TGSRENDER_W=L\"Z:$<TARGET_FILE:tgsrender>\""
                           "VANTORIX_EXPORT_W=L\"Z:$<TARGET_FILE:vantorix-export>\"")
add_dependencies(whole_run_tests tgsrender vantorix-export)
set(kept_run ${CMAKE_BINARY_DIR}/whole-run)
add_test(NAME WindowsWholeRun COMMAND whole_run_tests)
set_tests_properties(WindowsWholeRun PROPERTIES FIXTURES_SETUP windows_run ENVIRONMENT VANTORIX_KEEP_RUN=Z:${kept_run}
                     RESOURCE_LOCK wine_desktop)

set(VANTORIX_LINUX_BUILD "" CACHE PATH "The Linux build, whose windows_build_tests check the Windows run's files")
if(VANTORIX_LINUX_BUILD)
  add_test(NAME WindowsWholeRunAsLinuxFinishesIt
           COMMAND ${VANTORIX_LINUX_BUILD}/tests/windows_build_tests)
  set_tests_properties(WindowsWholeRunAsLinuxFinishesIt PROPERTIES FIXTURES_REQUIRED windows_run
                       ENVIRONMENT "VANTORIX_WINDOWS_RUN=${kept_run};QT_QPA_PLATFORM=offscreen")
endif()

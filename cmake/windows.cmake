if(EXISTS /usr/src/googletest)
  # GoogleTest from the sources that Debian's googletest package installs.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  # On Windows, MSYS2's MinGW-w64 GoogleTest comes built, under its package name.
  find_package(GTest REQUIRED)
  add_library(gtest_main ALIAS GTest::gtest_main)
endif()

include(GoogleTest)

# Two builds of one commit give the same bytes wherever and whenever they run:
# no build path reaches a file through __FILE__, and the one time the linker
# writes, the PE header's, is SOURCE_DATE_EPOCH's, fixed when this configures
# so that a later build from another shell stamps the same (or zero where no
# time is given).
target_compile_options(stowlark_core PUBLIC -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(link_time ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH})
else()
  set(link_time_option -Wl,--no-insert-timestamp)
endif()

# The program throws and catches nothing: its errors are values. Built
# without exceptions and their unwind tables, it is about an eighth smaller.
set(no_exceptions -fno-exceptions -fno-asynchronous-unwind-tables)
target_compile_options(stowlark_core PRIVATE ${no_exceptions})

add_library(stowlark_win32 STATIC
  platform/win32/Text.cpp
  platform/win32/Win32Registry.cpp
  platform/win32/Win32Messages.cpp
  platform/win32/Win32Window.cpp
  platform/win32/Win32FileSystem.cpp
  platform/win32/NtFile.cpp
  platform/win32/Win32CopyLock.cpp
  platform/win32/Win32Worker.cpp
  platform/win32/Win32Taskbar.cpp
  platform/win32/SystemLibrary.cpp
  platform/win32/Win32Scheduler.cpp
  platform/win32/Win32Balloon.cpp
  platform/win32/Win32Clock.cpp
)
target_link_libraries(stowlark_win32 PUBLIC stowlark_core shell32 advapi32 user32 gdi32 ntdll ole32 uuid)
target_compile_options(stowlark_win32 PRIVATE ${no_exceptions})

add_library(stowlark_pictures STATIC app/win32/Pictures.cpp app/win32/Fonts.cpp
  app/win32/PicturePreview.cpp)
target_link_libraries(stowlark_pictures PUBLIC stowlark_win32 windowscodecs ole32 oleaut32 uuid)
target_compile_options(stowlark_pictures PRIVATE ${no_exceptions})

add_executable(Stowlark WIN32
  app/win32/Main.cpp
  app/win32/MainWindow.cpp
  app/win32/CommandRun.cpp
  app/win32/Choosers.cpp
  app/win32/RestoreDialog.cpp
  app/win32/CommandTips.cpp
  app/win32/Painting.cpp
  app/win32/Accessibility.cpp
  app/win32/Skin.cpp
  app/win32/Throw.cpp
  app/win32/StaticGuard.cpp
  app/win32/Stowlark.rc
)
# Linked as an object, not from an archive, since the libraries after it need
# what it defines.
add_library(stowlark_error_categories OBJECT app/win32/ErrorCategories.cpp)
target_compile_options(stowlark_error_categories PRIVATE ${no_exceptions})
target_link_libraries(Stowlark PRIVATE stowlark_pictures comctl32 stowlark_error_categories)
target_compile_options(Stowlark PRIVATE ${no_exceptions})
# Shipped small, without debug information, and marked as fit for Windows XP
# (5.1), which it is: the import-table test keeps it so.
set_target_properties(Stowlark PROPERTIES CXX_LINKER_LAUNCHER "${link_time}")
# Terminal-server aware, as a program that needs no compatibility shims is.
target_link_options(Stowlark PRIVATE -s -Wl,--gc-sections -Wl,--tsaware ${link_time_option}
  -Wl,--major-os-version,5,--minor-os-version,1,--major-subsystem-version,5,--minor-subsystem-version,1)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # The shipped build, checked as a file on the build machine itself.
  add_test(NAME ProgramFile.SmallForXpFromSystemLibrariesWithItsVersionAndNoBuildPath
    COMMAND ${CMAKE_SOURCE_DIR}/tests/app/check-program.sh $<TARGET_FILE:Stowlark> ${PROJECT_VERSION})
  # Copied beside the program under the names of the libraries it uses, to
  # show that it never loads one from its own folder.
  add_library(planted SHARED tests/app/Planted.c)
  set_target_properties(planted PROPERTIES PREFIX "")
  add_test(NAME ProgramFile.LoadsNoLibraryPlantedBesideIt
    COMMAND ${CMAKE_SOURCE_DIR}/tests/app/planted-libraries.sh ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(ProgramFile.LoadsNoLibraryPlantedBesideIt PROPERTIES RUN_SERIAL TRUE)
endif()
# The manifest names the program's version too; the resource compiler finds
# the made copy through the generated folder on the include path.
configure_file(app/win32/Stowlark.manifest.in
  ${CMAKE_BINARY_DIR}/generated/app/win32/Stowlark.manifest @ONLY)
file(GLOB pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/pictures/*)
set_source_files_properties(app/win32/Stowlark.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_BINARY_DIR}/generated/app/win32/Stowlark.manifest;${pictures}")

# The copy on another drive, driven as a user would through the real program:
# drive letters, sticks and shares of the prefix, changed between runs.
add_test(NAME CopyToAnotherDrive.StickShareAndRealFatDrivesThroughTheRealProgram
  COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/copy-to-another-drive.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(CopyToAnotherDrive.StickShareAndRealFatDrivesThroughTheRealProgram
  PROPERTIES RUN_SERIAL TRUE)
# Getting it back on a new PC: a fresh prefix restores from the first's stick.
add_test(NAME NewPc.RestoresFromTheStickByCommandLineAndByThePicker
  COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/new-pc.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(NewPc.RestoresFromTheStickByCommandLineAndByThePicker
  PROPERTIES RUN_SERIAL TRUE)

add_executable(stowlark_win32_tests
  tests/platform/win32/Win32RegistryTest.cpp
  tests/platform/win32/Win32FileSystemTest.cpp
  tests/app/PicturePreviewTest.cpp
)
target_link_libraries(stowlark_win32_tests PRIVATE stowlark_pictures gtest_main)
# A test program that ends part way with code 0 has not passed.
set(passed_line "\\[  PASSED  \\] 1 test")
gtest_discover_tests(stowlark_win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES PASS_REGULAR_EXPRESSION "${passed_line}")

# The end-to-end tests carry the program's pictures to compare the window with.
add_executable(stowlark_e2e_tests
  tests/e2e/Harness.cpp
  tests/e2e/Fixture.cpp
  tests/e2e/WindowTest.cpp
  tests/e2e/BackupRestoreTest.cpp
  tests/e2e/CommandLineTest.cpp
  tests/e2e/SkinTest.cpp
  tests/e2e/DensityTest.cpp
  tests/e2e/LongCopyTest.cpp
  tests/e2e/AccessibilityTest.cpp
  tests/e2e/ScheduleTest.cpp
  tests/e2e/CopyToTest.cpp
  tests/e2e/RestoreTest.cpp
  app/win32/Stowlark.rc
)
target_link_libraries(stowlark_e2e_tests PRIVATE stowlark_pictures gtest_main version oleacc)
add_dependencies(stowlark_e2e_tests Stowlark)
# One program window at a time: these tests share the prefix's shell folders.
gtest_discover_tests(stowlark_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RUN_SERIAL TRUE PASS_REGULAR_EXPRESSION "${passed_line}")

# Holds a file as another program would, for the release's setup tests.
add_executable(hold_file tests/release/HoldFile.c)
target_link_options(hold_file PRIVATE -municode)

add_executable(stowlark_bench bench/Benchmark.cpp bench/WindowsMain.cpp)
target_link_libraries(stowlark_bench PRIVATE stowlark_win32 psapi)
# Start-up against a minimal window program, built and linked as Stowlark.exe is.
add_executable(minimal_window WIN32 bench/MinimalWindow.cpp)
target_link_options(minimal_window PRIVATE -s -Wl,--gc-sections)
add_executable(stowlark_startup bench/StartupMain.cpp)

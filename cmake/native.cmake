find_package(GTest REQUIRED)
include(GoogleTest)

add_library(stowlark_native STATIC platform/native/DriveMappedFileSystem.cpp)
target_link_libraries(stowlark_native PUBLIC stowlark_core)

add_executable(stowlark_tests
  tests/settings/WriteRegistryTest.cpp
  tests/app/frmBackupTest.cpp
  tests/app/CommandLineTest.cpp
  tests/app/RestoreChoicesTest.cpp
  tests/app/ScheduleTest.cpp
  tests/app/PicturesTest.cpp
  tests/app/PictureInfoTest.cpp
  tests/app/DensityTest.cpp
  tests/backup/BackupRestoreTest.cpp
  tests/backup/FaultsTest.cpp
  tests/backup/KeptFolderTest.cpp
  tests/backup/SecondPlaceTest.cpp
  tests/backup/RestoreListTest.cpp
  tests/backup/EarlierVersionTest.cpp
  tests/backup/ProgressTest.cpp
)
target_link_libraries(stowlark_tests PRIVATE stowlark_fakes stowlark_native GTest::gtest_main)
target_compile_definitions(stowlark_tests PRIVATE STOWLARK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(stowlark_tests DISCOVERY_TIMEOUT 60)

add_executable(stowlark_bench bench/Benchmark.cpp bench/NativeMain.cpp)
target_link_libraries(stowlark_bench PRIVATE stowlark_native)

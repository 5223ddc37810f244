# The fuzz harnesses as ordinary test programs: each replays its seed corpus
# in fuzz/corpus/ (where a crashing input, once found, is kept for good) in
# this build, plain or with the sanitizers, without libFuzzer or clang.
#
# The log harness watches the log file's handle, which the shipped library
# keeps to itself: it gets the library's sources compiled into the program.
get_target_property(replay_library_sources VemoMonitorSdk SOURCES)
list(TRANSFORM replay_library_sources PREPEND ${PROJECT_SOURCE_DIR}/)
add_library(vemo_replay_library OBJECT ${replay_library_sources})
target_include_directories(vemo_replay_library PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include
  ${HIDAPI_INCLUDE_DIRS})

set(replay_library_bridge_reports VemoMonitorSdk)
set(replay_library_monitor_replies VemoMonitorSdk)
set(replay_library_log_text vemo_replay_library)
foreach(harness bridge_reports monitor_replies log_text)
  add_executable(${harness}_replay ${PROJECT_SOURCE_DIR}/fuzz/${harness}_fuzzer.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/support/harness.cpp ${PROJECT_SOURCE_DIR}/fuzz/support/replay_main.cpp)
  target_include_directories(${harness}_replay PRIVATE ${PROJECT_SOURCE_DIR} ${HIDAPI_INCLUDE_DIRS})
  target_link_libraries(${harness}_replay PRIVATE ${replay_library_${harness}} vemo_support_kit
    vemo_virtual_clock vemo_hid_shim vemo_devmodel)
  set_target_properties(${harness}_replay PROPERTIES ENABLE_EXPORTS ON)
  add_test(NAME fuzz_replay_${harness}
    COMMAND ${harness}_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/${harness})
  set_tests_properties(fuzz_replay_${harness} PROPERTIES LABELS fuzz-replay)
endforeach()

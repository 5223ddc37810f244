# The one support kit of the test, fuzz and benchmark programs, included by
# each of them (defined once, whichever comes first):
#   vemo_support_kit    library and virtual bus reset, scratch directory,
#                       bytes as hex text
#   vemo_virtual_clock  the counting usleep that takes libc's place. Object
#                       files, so that it always reaches the program, and
#                       visible, so that the library's calls land there.
# fuzz/ compiles the same sources again with its sanitizer flags.
include_guard(GLOBAL)

add_library(vemo_support_kit STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/library_reset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scratch_directory.cpp)
target_include_directories(vemo_support_kit PUBLIC ${PROJECT_SOURCE_DIR} ${HIDAPI_INCLUDE_DIRS})
target_link_libraries(vemo_support_kit PUBLIC VemoMonitorSdk vemo_devmodel)

add_library(vemo_virtual_clock OBJECT ${CMAKE_CURRENT_LIST_DIR}/virtual_clock.cpp)
target_include_directories(vemo_virtual_clock PUBLIC ${PROJECT_SOURCE_DIR})
set_target_properties(vemo_virtual_clock PROPERTIES CXX_VISIBILITY_PRESET default)

# Helpers shared by every folder's CMakeLists.txt.

# sk_library(<target> [QT <Qt components>...] [DEPS <targets or libs>...]
#            [PRIVATE_DEPS <libs>...])
# A static library of every .cpp in the calling folder (and its sub-folders).
# The repository root is the include root: #include "platform/rtl/Format.h".
# Qt and PRIVATE_DEPS (third-party libraries) are linked privately: their
# headers are for the library's own files, and a library above that needs
# them says so itself (only platform/ does; scripts/check-includes.py checks
# that nothing else includes them).
function(sk_library target)
  cmake_parse_arguments(A "" "" "QT;DEPS;PRIVATE_DEPS;SOURCES" ${ARGN})
  if(A_SOURCES)
    set(sources ${A_SOURCES})
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(A_QT)
    find_package(Qt6 REQUIRED COMPONENTS ${A_QT})
    foreach(c ${A_QT})
      target_link_libraries(${target} PRIVATE Qt6::${c})
    endforeach()
  endif()
  if(A_DEPS)
    target_link_libraries(${target} PUBLIC ${A_DEPS})
  endif()
  if(A_PRIVATE_DEPS)
    target_link_libraries(${target} PRIVATE ${A_PRIVATE_DEPS})
  endif()
  sk_speed_up(${target} library)
endfunction()

# Links the Qt components a test or benchmark program includes itself.
function(sk_link_qt target)
  if(ARGN)
    find_package(Qt6 REQUIRED COMPONENTS ${ARGN})
    foreach(c ${ARGN})
      target_link_libraries(${target} PRIVATE Qt6::${c})
    endforeach()
  endif()
endfunction()

# sk_test(<target> [OWN_MAIN] [DEPS ...] [QT <components>...] [LABEL <label>]
#         [ENV <VAR=value>...] [SOURCES ...] [TIMEOUT <s>] [SHARDS <n>])
# QT: the Qt components the test's own files include (tests may use Qt).
# OWN_MAIN: the test brings its own main() (one that creates an application
# object, say); otherwise GoogleTest's is linked.
# SHARDS: a long program runs as <n> CTest entries, <target>-<i>of<n>, each
# the i-th share of its tests (GoogleTest's own sharding), so that they run
# side by side on a machine of few cores. Its tests must not share files or
# databases by fixed names (temporary folders are made with mkdtemp). Sharded
# programs are also started first: their entries carry a high COST.
# One GoogleTest executable of every .cpp in the calling folder, run by CTest
# with the headless environment every test needs.
set(SK_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "QTWEBENGINE_DISABLE_SANDBOX=1"
  "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu --disable-gpu-compositing --disable-background-networking --disable-component-update --no-first-run"
  "SK_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
  "SK_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan-suppressions.txt:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
)

function(sk_test target)
  cmake_parse_arguments(A "OWN_MAIN" "LABEL;TIMEOUT;SHARDS" "DEPS;QT;ENV;SOURCES" ${ARGN})
  if(A_SOURCES)
    set(sources ${A_SOURCES})
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock)
  sk_link_qt(${target} ${A_QT})
  if(NOT A_OWN_MAIN)
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  if(NOT A_SHARDS OR A_SHARDS LESS 2)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "${SK_TEST_ENV};${A_ENV}"
      TIMEOUT ${A_TIMEOUT})
    set(names ${target})
  else()
    set(names "")
    math(EXPR last "${A_SHARDS} - 1")
    foreach(i RANGE ${last})
      math(EXPR n "${i} + 1")
      set(name ${target}-${n}of${A_SHARDS})
      add_test(NAME ${name} COMMAND ${target} --gtest_brief=1)
      set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${SK_TEST_ENV};${A_ENV};GTEST_TOTAL_SHARDS=${A_SHARDS};GTEST_SHARD_INDEX=${i}"
        TIMEOUT ${A_TIMEOUT} COST 1000)
      list(APPEND names ${name})
    endforeach()
  endif()
  if(A_LABEL)
    set_tests_properties(${names} PROPERTIES LABELS ${A_LABEL})
  endif()
  sk_speed_up(${target} test)
endfunction()

# sk_bench(<target> [DEPS ...] [QT <components>...] [SOURCES ...]): a Google
# Benchmark program.
function(sk_bench target)
  cmake_parse_arguments(A "" "" "DEPS;QT;SOURCES" ${ARGN})
  find_package(benchmark REQUIRED)
  if(A_SOURCES)
    set(sources ${A_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
  sk_link_qt(${target} ${A_QT})
  sk_speed_up(${target} bench)
endfunction()

# sk_generated_sources_check(<test name> <generator script> LABEL <label>):
# a test that runs the generator with --check, so that generated sources that
# no longer match the data files beside their generator fail. Needs python3.
function(sk_generated_sources_check name script)
  cmake_parse_arguments(A "" "LABEL" "" ${ARGN})
  find_package(Python3 COMPONENTS Interpreter)
  if(NOT Python3_Interpreter_FOUND)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} ${script} --check)
  if(A_LABEL)
    set_tests_properties(${name} PROPERTIES LABELS ${A_LABEL})
  endif()
endfunction()

# Shared test set-up: GoogleTest programs registered with ctest, the corpus
# location handed to tests through the environment, and a guard that keeps Qt
# out of the core libraries.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(SNDFILE IMPORTED_TARGET sndfile)
endif()

get_filename_component(TAVRIL_CORPUS_DIR "${PROJECT_SOURCE_DIR}/../shared/corpus" ABSOLUTE)

# Test programs of threaded core code carry the one label "core-threaded"
# (ctest -L matches by pattern, so both "-L core" and "-L threaded" find them;
# discovered tests take a single label only). They also build as one target,
# so the ThreadSanitizer run builds only those.
add_custom_target(tavril_threaded_tests)

# tavril_add_gtest(name SOURCES a.cpp ... LIBS lib ... [LABELS core])
function(tavril_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TAVRIL_CORPUS_DIR="${TAVRIL_CORPUS_DIR}"
    TAVRIL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  if(T_LABELS MATCHES "threaded")
    add_dependencies(tavril_threaded_tests ${name})
  endif()
  # A hung test fails after five minutes instead of eating the CI budget.
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300 ENVIRONMENT "TAVRIL_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()

# A core library must not link Qt: fail the configure step if it does.
function(tavril_core_library name)
  get_target_property(libs ${name} LINK_LIBRARIES)
  if(libs)
    foreach(l IN LISTS libs)
      if(l MATCHES "^Qt")
        message(FATAL_ERROR "core library ${name} links ${l}; core code must stay free of Qt")
      endif()
    endforeach()
  endif()
endfunction()

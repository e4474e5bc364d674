# One static library per folder, made of every source below it. Folders that
# have no sources yet become interface libraries, so the dependency graph is
# already in place when the first source lands.
function(player_library name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  # A folder's main.cpp and its app/ folder belong to executables.
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$|/app/")
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC player_options ${A_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE player_options ${A_DEPS})
  endif()
endfunction()

# One GoogleTest executable per test folder; every case becomes a CTest test
# that runs headless (offscreen video, silent audio).
function(player_test name)
  cmake_parse_arguments(A "" "" "DEPS;LABELS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${A_DEPS} player_test_main GTest::gtest GTest::gmock)
  # The tests' own code builds at -O1, about half the time of -O3; the code
  # under test keeps the build type's optimisation.
  if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    target_compile_options(${name} PRIVATE -O1)
  endif()
  target_compile_definitions(${name} PRIVATE
    TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    PLAYER_BINARY="$<TARGET_FILE:player>")
  if("reader" IN_LIST A_LABELS)
    set_property(GLOBAL APPEND PROPERTY PLAYER_SANITIZE_SUITE ${name})
  endif()
  # Discovered tests take single-valued properties only, so the labels are
  # joined into one ("core_reader"); ctest -L matches them as a pattern. The
  # headless drivers are set by the tests' own main.
  string(REPLACE ";" "_" label "${A_LABELS}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${label}" TIMEOUT 300)
endfunction()

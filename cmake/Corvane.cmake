# Build helpers shared by every folder.
#
# Layout rule: a folder's engine sources are its *.cpp files (QtCore at most); its window sources
# live in its widgets/ subfolder. Files ending in _test.cpp are GoogleTest cases of the engine,
# files ending in _qtest.cpp are Qt Test programs of the windows (one program per file).

function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # GCC 12 reports false -Wrestrict overlaps inside std::string at -O2 (GCC bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(CORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(CORVANE_SANITIZE)
  # Line tables are all a sanitizer report needs; full debug info would make each of the many
  # statically linked test programs far larger (the sanitizer build is the biggest tree).
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined -g1)
  add_link_options(-fsanitize=address,undefined)
endif()

# corvane_library(NAME DIR <dir> [WIDGETS] DEPS <targets...>)
# Collects DIR/*.cpp (tests excluded) into a static library; WIDGETS allows QtWidgets.
function(corvane_library name)
  cmake_parse_arguments(A "WIDGETS" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${A_DIR}/*.cpp)
  file(GLOB hdrs CONFIGURE_DEPENDS ${A_DIR}/*.h)
  list(FILTER srcs EXCLUDE REGEX "_(q)?test\\.cpp$")
  if(A_WIDGETS)
    set(qt Qt6::Core Qt6::Gui Qt6::Widgets)
  else()
    set(qt Qt6::Core)
  endif()
  if(NOT srcs)  # a folder whose code is still to come
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${qt} ${A_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${srcs} ${hdrs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  corvane_warnings(${name})
  target_link_libraries(${name} PUBLIC ${qt} ${A_DEPS})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS
    CORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

# corvane_gtests(NAME DIR <dir> DEPS <targets...>): one GoogleTest program of DIR/*_test.cpp.
function(corvane_gtests name)
  if(NOT CORVANE_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${A_DIR}/*_test.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  corvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CORVANE_TEST_BIN=${CMAKE_BINARY_DIR}/bin"
    TIMEOUT 600)
endfunction()

# corvane_qtests(DIR <dir> DEPS <targets...>): one Qt Test program per DIR/*_qtest.cpp.
function(corvane_qtests)
  if(NOT CORVANE_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${A_DIR}/*_qtest.cpp)
  foreach(src ${srcs})
    get_filename_component(base ${src} NAME_WE)
    add_executable(${base} ${src})
    corvane_warnings(${base})
    target_link_libraries(${base} PRIVATE ${A_DEPS} Qt6::Test)
    # Offscreen unless CORVANE_WINDOW_TESTS_ON=xvfb asks for a real X server (window_test.sh).
    add_test(NAME ${base} COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/window_test.sh $<TARGET_FILE:${base}>)
    set_tests_properties(${base} PROPERTIES
      ENVIRONMENT "CORVANE_TEST_BIN=${CMAKE_BINARY_DIR}/bin"
      LABELS window
      TIMEOUT 600)
  endforeach()
endfunction()

# corvane_program(NAME SOURCES ... DEPS ...): an installed program.
function(corvane_program name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  corvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# corvane_bench(NAME SOURCES ... DEPS ...): a benchmark program, built but never run as a test.
function(corvane_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  corvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()

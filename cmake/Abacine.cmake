# Build helpers shared by every folder: one static library per folder of src/,
# one test executable per *_test.cpp file.

set(ABACINE_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

if(ABACINE_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # Libraries carry coverage for libFuzzer; the fuzz targets add the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ABACINE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# abacine_expose_headers(TARGET SCOPE): lets TARGET (and, with PUBLIC or
# INTERFACE, whatever links it) include the headers of the calling folder as
# "folder/file.h", and nothing else of src/. Each folder gets an include
# directory of its own in the build tree holding one link to the folder, so
# a library sees exactly the headers of the libraries it names.
function(abacine_expose_headers target scope)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" key ${folder})
  set(root ${PROJECT_BINARY_DIR}/include/${key})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# abacine_add_library(NAME [SOURCES files...] [DEPS targets...] [OPTIONS flags...])
# Without SOURCES the library takes every .cpp file in the calling folder; a
# folder without any is a header-only (INTERFACE) library. Defines
# abacine_NAME with the alias abacine::NAME. Its headers are included as
# "folder/file.h"; it sees those and the headers of its DEPS, no others.
function(abacine_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;OPTIONS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT ARG_SOURCES)
    add_library(abacine_${name} INTERFACE)
    add_library(abacine::${name} ALIAS abacine_${name})
    abacine_expose_headers(abacine_${name} INTERFACE)
    target_link_libraries(abacine_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(abacine_${name} STATIC ${ARG_SOURCES})
  add_library(abacine::${name} ALIAS abacine_${name})
  abacine_expose_headers(abacine_${name} PUBLIC)
  target_compile_options(abacine_${name} PRIVATE ${ABACINE_WARNINGS} ${ARG_OPTIONS})
  target_link_libraries(abacine_${name} PUBLIC ${ARG_DEPS})
endfunction()

# abacine_add_program(NAME SOURCES files... DEPS targets...): an executable
# of the calling folder, warning-clean, that sees its own folder's headers
# and those of its DEPS.
function(abacine_add_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  abacine_expose_headers(${name} PRIVATE)
  target_compile_options(${name} PRIVATE ${ABACINE_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# abacine_add_tests(DEPS targets...): one GoogleTest executable for every
# *_test.cpp file in the calling folder, registered with CTest.
function(abacine_add_tests)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(file ${tests})
    get_filename_component(stem ${file} NAME_WE)
    set(target ${layer}_${stem})
    add_executable(${target} ${file})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    target_compile_options(${target} PRIVATE ${ABACINE_WARNINGS})
    target_compile_definitions(${target} PRIVATE
      ABACINE_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
      ABACINE_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} abacine_test_support GTest::gtest GTest::gtest_main
                          GTest::gmock)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()

# abacine_add_subdirectories(): add_subdirectory for every folder below the
# calling one that has a CMakeLists.txt, in the order given, then the rest.
function(abacine_add_subdirectories)
  set(order ${ARGN})
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(NOT child IN_LIST order)
      list(APPEND order ${child})
    endif()
  endforeach()
  foreach(child ${order})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

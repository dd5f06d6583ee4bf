# Shared build rules. Components are found by folder, so adding a source file
# or a new component folder needs no edit elsewhere.

set(KESTROVA_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND KESTROVA_WARNINGS -Wshadow=local)
endif()
if(KESTROVA_WERROR)
  list(APPEND KESTROVA_WARNINGS -Werror)
endif()

if(KESTROVA_SANITIZE)
  add_compile_options(-fsanitize=${KESTROVA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KESTROVA_SANITIZE})
endif()
if(KESTROVA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# kestrova_add_library(NAME <target> DIR <folder> [DEPS <targets>...] [PRIVATE_DEPS <targets>...]
#                      [PKG <pkg-config modules>...])
# Sources: <folder>/src/**/*.cpp; public headers: <folder>/include.
# DEPS are part of the library's interface: their headers reach its users.
# PRIVATE_DEPS serve its sources only, so code above the library can't include
# them by accident (the framework stand-ins keep the simulated desktop to
# themselves this way).
function(kestrova_add_library)
  cmake_parse_arguments(ARG "" "NAME;DIR" "DEPS;PRIVATE_DEPS;PKG" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/src/*.cpp ${ARG_DIR}/src/*.c)
  if(NOT sources)
    message(STATUS "${ARG_NAME}: no sources yet, skipped")
    return()
  endif()
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${ARG_DIR}/include PRIVATE ${ARG_DIR}/src)
  target_compile_options(${ARG_NAME} PRIVATE ${KESTROVA_WARNINGS})
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS} Threads::Threads PRIVATE ${ARG_PRIVATE_DEPS})
  foreach(pkg IN LISTS ARG_PKG)
    string(MAKE_C_IDENTIFIER "pkg_${pkg}" var)
    pkg_check_modules(${var} REQUIRED IMPORTED_TARGET ${pkg})
    target_link_libraries(${ARG_NAME} PUBLIC PkgConfig::${var})
  endforeach()
  target_link_libraries(kestrova_all INTERFACE ${ARG_NAME})
endfunction()

# kestrova_add_tests(NAME <binary> DIR <folder> DEPS <targets>...)
# One GoogleTest binary from <folder>/**/*.cpp, each test registered with CTest.
function(kestrova_add_tests)
  cmake_parse_arguments(ARG "" "NAME;DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${ARG_NAME} ${sources})
  target_compile_options(${ARG_NAME} PRIVATE ${KESTROVA_WARNINGS})
  target_include_directories(${ARG_NAME} PRIVATE ${ARG_DIR} ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${ARG_NAME} PRIVATE
    KESTROVA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KESTROVA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_NAME};${ARG_LABELS}")
endfunction()

# Adds every listed folder that has a CMakeLists.txt, in order.
macro(kestrova_add_components)
  foreach(component ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${component}/CMakeLists.txt)
      add_subdirectory(${component})
    endif()
  endforeach()
endmacro()

include(GoogleTest)

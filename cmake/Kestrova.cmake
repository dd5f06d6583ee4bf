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

# kestrova_add_app_bundle(NAME <program> SOURCES <files>... INFO_PLIST <template>
#                         [RESOURCES <folder>] [LIBRARIES <targets>...] [EMBED_BUNDLES <targets>...]
#                         [BUNDLE_DIR <folder>])
# Builds a program and lays it out as an application bundle in the build:
#
#   <NAME>.app/Contents/Info.plist       INFO_PLIST with its @VARIABLES@ filled in
#   <NAME>.app/Contents/MacOS/<NAME>     the executable, linked with LIBRARIES
#   <NAME>.app/Contents/Resources/       every file under RESOURCES but *.in
#                                        templates, and a copy of each bundle
#                                        of EMBED_BUNDLES
#
# An embedded bundle is a target that lays a bundle out in the build, with
# the properties KESTROVA_BUNDLE_DIR (the bundle's folder) and
# KESTROVA_BUNDLE_SOURCES (the files it is made from, so that a change to one
# copies the bundle again). The bundle's folder goes into the cache as
# <NAME>_APP_BUNDLE in capitals, for tests and for programs that carry this
# one; the target <NAME>_bundle lays out everything but the executable.
# BUNDLE_DIR puts the bundle elsewhere than <NAME>.app in the current build
# folder (a login item inside the application that carries it).
function(kestrova_add_app_bundle)
  cmake_parse_arguments(ARG "" "NAME;INFO_PLIST;RESOURCES;BUNDLE_DIR" "SOURCES;LIBRARIES;EMBED_BUNDLES" ${ARGN})
  set(bundle ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.app)
  if(ARG_BUNDLE_DIR)
    set(bundle ${ARG_BUNDLE_DIR})
  endif()
  string(TOUPPER ${ARG_NAME} upper)
  set(${upper}_APP_BUNDLE ${bundle} CACHE INTERNAL "The application bundle of ${ARG_NAME} in the build")

  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_compile_options(${ARG_NAME} PRIVATE ${KESTROVA_WARNINGS})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES})
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${bundle}/Contents/MacOS)

  configure_file(${ARG_INFO_PLIST} ${bundle}/Contents/Info.plist @ONLY)

  set(laid_out)
  if(ARG_RESOURCES)
    file(GLOB_RECURSE resources CONFIGURE_DEPENDS RELATIVE ${ARG_RESOURCES} ${ARG_RESOURCES}/*)
    list(FILTER resources EXCLUDE REGEX "\\.in$")
    foreach(resource ${resources})
      set(from ${ARG_RESOURCES}/${resource})
      set(to ${bundle}/Contents/Resources/${resource})
      add_custom_command(OUTPUT ${to} COMMAND ${CMAKE_COMMAND} -E copy ${from} ${to} DEPENDS ${from} VERBATIM)
      list(APPEND laid_out ${to})
    endforeach()
  endif()

  foreach(embedded ${ARG_EMBED_BUNDLES})
    get_target_property(from ${embedded} KESTROVA_BUNDLE_DIR)
    get_target_property(sources ${embedded} KESTROVA_BUNDLE_SOURCES)
    if(NOT sources)
      set(sources)
    endif()
    get_filename_component(name ${from} NAME)
    set(to ${bundle}/Contents/Resources/${name})
    add_custom_command(OUTPUT ${to}/Info.plist
      COMMAND ${CMAKE_COMMAND} -E remove_directory ${to}
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${from} ${to}
      DEPENDS ${embedded} ${from}/Info.plist ${sources}
      VERBATIM)
    list(APPEND laid_out ${to}/Info.plist)
  endforeach()

  add_custom_target(${ARG_NAME}_bundle ALL DEPENDS ${laid_out})
  add_dependencies(${ARG_NAME} ${ARG_NAME}_bundle)
endfunction()

# kestrova_embed_file(TARGET <target> FILE <file>)
# Makes <file's name>.inc in the build at build time, again whenever the file
# changes: the file's bytes as one C++ string literal, for a source of the
# target to hold as text of its own:
#
#   static constexpr char kText[] =
#   #include "DefaultDesktop.json.inc"
#       ;
set(KESTROVA_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
function(kestrova_embed_file)
  cmake_parse_arguments(ARG "" "TARGET;FILE" "" ${ARGN})
  get_filename_component(name ${ARG_FILE} NAME)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/embedded)
  set(output ${folder}/${name}.inc)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ARG_FILE} -DOUTPUT=${output} -P ${KESTROVA_CMAKE_DIR}/EmbedFile.cmake
    DEPENDS ${ARG_FILE} ${KESTROVA_CMAKE_DIR}/EmbedFile.cmake
    VERBATIM)
  target_sources(${ARG_TARGET} PRIVATE ${output})
  target_include_directories(${ARG_TARGET} PRIVATE ${folder})
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

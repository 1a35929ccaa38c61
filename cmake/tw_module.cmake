# One static library per module: every .cpp/.c directly in the module folder.
# Programs keep their main() in a sub-folder so it stays out of the library.
# g++ 12 reports false -Wrestrict hits inside std::string at -O3; they stay warnings.
set(TW_WARNINGS -Wall -Wextra -Werror $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)

function(tw_module name dir)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_compile_options(${name} PRIVATE ${TW_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${M_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# One GoogleTest program per module: every *_test.cpp in the test folder.
function(tw_module_tests name dir)
  cmake_parse_arguments(M "" "" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp ${dir}/*_helpers.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_options(${name} PRIVATE ${TW_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    TW_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TW_SHARED_DIR="${TW_SHARED_DIR}"
    TW_BINARY_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${M_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${M_PROPERTIES})
endfunction()

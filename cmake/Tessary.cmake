# tessary_core(<target> <folder> [deps...])
# A static library of every .cpp directly in <folder> (not its ui/ subfolder).
# New files are picked up on the next build without editing this file.
function(tessary_core target folder)
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(ARGN)
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()

# tessary_test(<name> <folder> LABEL <label> LIBS <libs...>)
# One GoogleTest program of every .cpp in tests/<folder>; each test case
# becomes its own CTest test carrying <label>. WINDOWS: the tests run inside
# a QApplication on the offscreen platform.
function(tessary_test name dir)
  cmake_parse_arguments(T "WINDOWS" "LABEL" "LIBS;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tessary_testsupport GTest::gtest GTest::gmock)
  if(T_WINDOWS)
    target_link_libraries(${name} PRIVATE tessary_windowtest_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set(props LABELS ${T_LABEL}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TESSARY_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data;${T_ENV}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()

# trelvo_library(<target> <folder> <deps...>)
# Every .cpp/.h of the folder goes into one static library; new files are
# picked up at the next build without touching this file.
function(trelvo_library target folder)
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp
       ${CMAKE_SOURCE_DIR}/${folder}/*.h
       ${CMAKE_SOURCE_DIR}/${folder}/*.qrc)
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARGN})
endfunction()

# trelvo_test_suite(<folder> <deps...>): one GoogleTest program per tests/ folder.
function(trelvo_test_suite folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE trelvo_testsupport ${ARGN} GTest::gtest GTest::gmock)
  # The test main runs offscreen; tests find the programs beside their own binary.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

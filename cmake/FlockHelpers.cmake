# flock_library(NAME DEPS...): one static library per subsystem folder, built from
# every source file in that folder and its platform folder.
function(flock_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${FLOCK_PLATFORM_FOLDER}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# flock_unit_tests(LIBS...): one GoogleTest program per *_test.cpp in the calling folder.
function(flock_unit_tests)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${tests})
    get_filename_component(stem ${src} NAME_WE)
    add_executable(${stem} ${src})
    target_link_libraries(${stem} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
    set_target_properties(${stem} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${stem} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()

# flock_golden_tests(PROGRAM DIR): every DIR/*.in is fed to PROGRAM on standard input
# (working directory DIR); standard output must equal DIR/<name>.out byte for byte.
function(flock_golden_tests program dir)
  file(GLOB inputs CONFIGURE_DEPENDS ${dir}/*.in)
  get_filename_component(group ${dir} NAME)
  get_filename_component(suite ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(input ${inputs})
    get_filename_component(stem ${input} NAME_WE)
    add_test(NAME golden.${suite}.${group}.${stem}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/run_golden.sh
                     $<TARGET_FILE:${program}> ${input} ${dir}/${stem}.out
             WORKING_DIRECTORY ${dir})
  endforeach()
endfunction()

# flock_golden_folders(PROGRAM): every folder under golden/ of the calling test folder is
# one topic of golden scripts run through PROGRAM (skipped until PROGRAM is built).
function(flock_golden_folders program)
  if(NOT TARGET ${program})
    return()
  endif()
  file(GLOB groups LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/golden/*)
  foreach(group ${groups})
    if(IS_DIRECTORY ${group})
      flock_golden_tests(${program} ${group})
    endif()
  endforeach()
endfunction()

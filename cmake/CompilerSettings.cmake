# The compiler settings of every build of the project's sources, the native one (the
# top CMakeLists.txt) and the browser's (web/CMakeLists.txt): the language, warnings,
# the default build type, and the exact roundings of the linear-algebra kernels.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
add_compile_options(-Wall -Wextra)

# Every kernel carries exactly the roundings it writes: no multiply-add is fused
# unless written so (the vector kernels write theirs), whatever the target flags.
set(FLOCK_EXACT_ROUNDING_OPTIONS -ffp-contract=off)

# The files of a library that talk to the platform (the terminal, shared objects) are
# in its platform/ folder; a build for another platform supplies its own files of the
# same names instead (the browser's are in web/platform/).
set(FLOCK_PLATFORM_FOLDER platform)

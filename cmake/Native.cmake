# Native build of the portable code (the files that include no Windows
# header): GoogleTest tests under the address and undefined-behaviour
# sanitizers, a libFuzzer target (clang only) and a Google Benchmark program.

enable_testing()

set(KVR_NATIVE_WARNINGS -Wall -Wextra)
set(KVR_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)

# Optimised and unsanitized, as the product builds it: for the benchmark.
add_library(kvr_portable STATIC ${KVR_PORTABLE_SOURCES})
target_include_directories(kvr_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kvr_portable PRIVATE ${KVR_NATIVE_WARNINGS})

# The same sources under the sanitizers: for the tests.
add_library(kvr_portable_sanitized STATIC ${KVR_PORTABLE_SOURCES})
target_include_directories(kvr_portable_sanitized PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kvr_portable_sanitized PRIVATE ${KVR_NATIVE_WARNINGS} ${KVR_SANITIZERS})
target_link_options(kvr_portable_sanitized INTERFACE ${KVR_SANITIZERS})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB KVR_NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(imaging_native_test ${KVR_NATIVE_TEST_SOURCES})
target_compile_options(imaging_native_test PRIVATE ${KVR_NATIVE_WARNINGS} ${KVR_SANITIZERS})
target_link_libraries(imaging_native_test PRIVATE kvr_portable_sanitized gtest_main)
add_test(NAME imaging_native_test COMMAND imaging_native_test)

# libFuzzer needs clang. The target is built with every native build; ctest
# only runs a short smoke run over the committed seeds (new inputs go to a
# folder in the build tree, never into the seeds). See tests/fuzz/README.md.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(KVR_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  add_executable(portable_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/portable_fuzz.cpp
    ${KVR_PORTABLE_SOURCES})
  target_include_directories(portable_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(portable_fuzz PRIVATE ${KVR_NATIVE_WARNINGS} ${KVR_FUZZ_FLAGS})
  target_link_options(portable_fuzz PRIVATE ${KVR_FUZZ_FLAGS})

  set(KVR_FUZZ_SMOKE_CORPUS ${CMAKE_BINARY_DIR}/fuzz-smoke-corpus)
  file(MAKE_DIRECTORY ${KVR_FUZZ_SMOKE_CORPUS})
  add_test(NAME portable_fuzz_smoke
    COMMAND portable_fuzz -runs=3000 -seed=1 -max_len=4096
            -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz-smoke-
            ${KVR_FUZZ_SMOKE_CORPUS} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus)
  set_tests_properties(portable_fuzz_smoke PROPERTIES TIMEOUT 300)
endif()

# Conversion speed against memcpy and the literal formula; not run by ctest:
#   build/native/imaging_bench
find_package(benchmark REQUIRED)
add_executable(imaging_bench ${CMAKE_SOURCE_DIR}/bench/raw_pixels_bench.cpp)
target_compile_options(imaging_bench PRIVATE ${KVR_NATIVE_WARNINGS})
target_link_libraries(imaging_bench PRIVATE kvr_portable benchmark::benchmark)

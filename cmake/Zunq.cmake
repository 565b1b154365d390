# Build helpers shared by every layer.

# Warnings are errors on all of our code; system headers (GoogleTest, Qt, libusb) are
# included as system headers and stay out of it.
add_compile_options(-Wall -Wextra -Werror)
# GCC 12 reports std::string copies it has inlined at -O3 as overlapping (a known false
# positive of that release with its own library); other compilers and versions keep the check.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options(-Wno-restrict)
endif()

if(ZUNQ_SANITIZE)
    # address,undefined or thread; every target of the build is instrumented so
    # reports point into our own frames.
    add_compile_options(-fsanitize=${ZUNQ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${ZUNQ_SANITIZE})
endif()

if(ZUNQ_BUILD_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "libFuzzer targets need clang (configure with CXX=clang++)")
    endif()
    # Libraries get coverage instrumentation; only the fuzz executables link libFuzzer.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# zunq_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; its cases are registered one by one with ctest.
function(zunq_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    # gtest_discover_tests passes the properties on as a flat list: an empty LABELS value or a
    # value with a separator in it would shift every pair after it. So each property takes one
    # value, LABELS is given only when there is one, and both directories are also known to the
    # test code at compile time.
    target_compile_definitions(${T_NAME} PRIVATE ZUNQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                 ZUNQ_BINARY_DIR="${PROJECT_BINARY_DIR}")
    set(properties ENVIRONMENT "ZUNQ_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
                   ENVIRONMENT_MODIFICATION "ZUNQ_BINARY_DIR=set:${PROJECT_BINARY_DIR}")
    if(T_LABELS)
        list(APPEND properties LABELS "${T_LABELS}")
    endif()
    # The thread-sanitizer run builds only these (target zunq_threaded_tests).
    if("threaded" IN_LIST T_LABELS)
        set_property(GLOBAL APPEND PROPERTY ZUNQ_THREADED_TESTS ${T_NAME})
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# zunq_add_fuzzer(NAME name SOURCES ... LIBS ... [CORPUS dir ...])
# With ZUNQ_BUILD_FUZZERS the target is a libFuzzer binary (scripts/fuzz runs it).
# Otherwise it is built with a small replay driver and every file of its corpus
# directories is run through it as a ctest test, so the corpus stays a regression suite
# in the ordinary and sanitizer builds.
function(zunq_add_fuzzer)
    cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS;CORPUS" ${ARGN})
    if(ZUNQ_BUILD_FUZZERS)
        add_executable(${F_NAME} ${F_SOURCES})
        target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    else()
        add_executable(${F_NAME} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    endif()
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    # The fuzz build builds only these (target zunq_fuzzers).
    set_property(GLOBAL APPEND PROPERTY ZUNQ_FUZZERS ${F_NAME})
    set(dirs "")
    foreach(dir IN LISTS F_CORPUS)
        if(NOT IS_ABSOLUTE "${dir}")
            set(dir "${PROJECT_SOURCE_DIR}/${dir}")
        endif()
        list(APPEND dirs "${dir}")
    endforeach()
    # The corpus list is written beside the binary so scripts/fuzz finds the seeds.
    string(REPLACE ";" "\n" lines "${dirs}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}.corpus "${lines}\n")
    if(NOT ZUNQ_BUILD_FUZZERS AND ZUNQ_BUILD_TESTS)
        add_test(NAME fuzz_replay.${F_NAME} COMMAND ${F_NAME} ${dirs})
        set_tests_properties(fuzz_replay.${F_NAME} PROPERTIES LABELS fuzz_replay)
    endif()
endfunction()

# zunq_add_benchmark(NAME name SOURCES ... LIBS ...)
# One Google Benchmark program on the shared main, which prints each ratio beside its target.
function(zunq_add_benchmark)
    cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${B_NAME} ${B_SOURCES})
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} zunq_benchmark_main)
    # scripts/bench and the test run build only these (target zunq_benchmarks).
    set_property(GLOBAL APPEND PROPERTY ZUNQ_BENCHMARKS ${B_NAME})
endfunction()

# Adds every immediate subdirectory of `parent` that has a CMakeLists.txt, so each
# layer's tests, benchmarks and fuzz targets live in their own folder and list file.
function(zunq_add_children parent)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${parent} ${parent}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${parent}/${child} AND EXISTS ${parent}/${child}/CMakeLists.txt)
            add_subdirectory(${parent}/${child})
        endif()
    endforeach()
endfunction()

# Aggregate targets, so a run that needs only part of the tree builds only that part.
function(zunq_add_aggregate_targets)
    get_property(threaded GLOBAL PROPERTY ZUNQ_THREADED_TESTS)
    add_custom_target(zunq_threaded_tests)
    if(threaded)
        add_dependencies(zunq_threaded_tests ${threaded})
    endif()
    get_property(benchmarks GLOBAL PROPERTY ZUNQ_BENCHMARKS)
    add_custom_target(zunq_benchmarks)
    if(benchmarks)
        add_dependencies(zunq_benchmarks ${benchmarks})
    endif()
    get_property(fuzzers GLOBAL PROPERTY ZUNQ_FUZZERS)
    add_custom_target(zunq_fuzzers)
    if(fuzzers)
        add_dependencies(zunq_fuzzers ${fuzzers})
    endif()
endfunction()

# ThreadSanitizer cannot share a process with AddressSanitizer.
if(VELMORA_SANITIZE AND VELMORA_SANITIZE_THREAD)
    message(FATAL_ERROR "VELMORA_SANITIZE and VELMORA_SANITIZE_THREAD exclude each other")
endif()

# One interface target carries the language level, warnings and sanitizers; every target links it PRIVATE.
add_library(velmora_options INTERFACE)
target_compile_features(velmora_options INTERFACE cxx_std_20)
target_compile_definitions(velmora_options INTERFACE QT_NO_CAST_FROM_ASCII)

if(MSVC)
    target_compile_options(velmora_options INTERFACE /W4 /utf-8 /permissive-)
    if(VELMORA_WERROR)
        target_compile_options(velmora_options INTERFACE /WX)
    endif()
else()
    target_compile_options(velmora_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                     -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast)
    if(VELMORA_WERROR)
        target_compile_options(velmora_options INTERFACE -Werror)
    endif()
    # GCC 12 at -O3 reports overlaps that cannot happen inside libstdc++'s inlined std::string concatenation (a
    # known false report of that version): -Wrestrict would fail every optimised build with warnings as errors.
    # Debug builds keep it, and so does clang-tidy, which reads the dev build's commands and knows no such option.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(velmora_options INTERFACE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-Wno-restrict>)
    endif()
    if(VELMORA_SANITIZE)
        target_compile_options(velmora_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                         -fno-sanitize-recover=undefined)
        target_link_options(velmora_options INTERFACE -fsanitize=address,undefined)
    endif()
    if(VELMORA_SANITIZE_THREAD)
        target_compile_options(velmora_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
        target_link_options(velmora_options INTERFACE -fsanitize=thread)
    endif()
endif()

# A static library named velmora_<folder> from every .cpp in the calling folder and the folders below it.
function(velmora_add_library name)
    cmake_parse_arguments(ARG "" "" "PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(NOT sources)
        return()
    endif()
    add_library(velmora_${name} STATIC ${sources})
    target_include_directories(velmora_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(velmora_${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE velmora_options ${ARG_PRIVATE_DEPS})
endfunction()

# A GoogleTest program named velmora_<folder>_tests from every .cpp in the calling folder and the folders below it.
function(velmora_add_tests name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(NOT sources)
        return()
    endif()
    add_executable(velmora_${name}_tests ${sources})
    target_link_libraries(velmora_${name}_tests PRIVATE velmora_options velmora_test_support ${ARG_DEPS}
                                                        GTest::gtest GTest::gmock GTest::gtest_main)
    # The folder's name as a label, so that a preset can run some suites only (tsan: the threaded ones).
    gtest_discover_tests(velmora_${name}_tests DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "VELMORA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data" LABELS ${name})
endfunction()

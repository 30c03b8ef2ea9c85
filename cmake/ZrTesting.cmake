# zr_add_test(NAME [GUI] SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s] [FUNCTIONS f1 f2 ...])
# GUI: the suite shows widgets; left out of a -DZRVU_GUI=OFF build.
# Every suite runs offscreen, knows where zrsim is (ZRSIM) and runs in its
# own build folder; suites that touch config.ini chdir into a temporary dir.
# FUNCTIONS registers one CTest entry per test function (NAME_f1, ...)
# instead of one for the whole suite, so that long suites run in parallel.
#
# In a -DZRVU_ASAN=ON or -DZRVU_TSAN=ON build the sanitizer options and the
# suppression files of cmake/sanitizers are part of every suite's
# environment (and so of the zrsim and zrvu-cli processes it starts): a
# plain `ctest` there checks exactly what scripts/sanitize.sh checks, and
# any report fails the suite that printed it.
set(ZR_SANITIZER_DIR ${CMAKE_CURRENT_LIST_DIR}/sanitizers)
set(ZR_SANITIZER_ENV "")
if(ZRVU_ASAN)
    # fast_unwind_on_malloc=0: Qt has no frame pointers, and the leak
    # suppressions name Qt functions deep in the allocation stacks.
    list(APPEND ZR_SANITIZER_ENV
        "ASAN_OPTIONS=fast_unwind_on_malloc=0:detect_leaks=1:abort_on_error=0"
        "LSAN_OPTIONS=suppressions=${ZR_SANITIZER_DIR}/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
if(ZRVU_TSAN)
    list(APPEND ZR_SANITIZER_ENV
        "TSAN_OPTIONS=suppressions=${ZR_SANITIZER_DIR}/tsan.supp:print_suppressions=0:second_deadlock_stack=1:history_size=4")
endif()

# zr_suites builds every suite and what the suites run (their own
# add_dependencies), and nothing else: no benchmarks, screenshot programs or
# hand tools. The sanitizer builds, which only run the suites, build this.
if(NOT TARGET zr_suites)
    add_custom_target(zr_suites)
endif()

function(zr_add_test name)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;FUNCTIONS" ${ARGN})
    if(T_GUI AND NOT ZRVU_GUI)
        return()
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE zr_common zr_testsupport Qt5::Test ${T_LIBS})
    add_dependencies(${name} zrsim)
    add_dependencies(zr_suites ${name})
    if(T_GUI)
        set_target_properties(${name} PROPERTIES ZR_PCH tests_ui)
    else()
        set_target_properties(${name} PROPERTIES ZR_PCH tests)
    endif()
    set(entries "")
    if(T_FUNCTIONS)
        foreach(fn ${T_FUNCTIONS})
            add_test(NAME ${name}_${fn} COMMAND ${name} ${fn})
            list(APPEND entries ${name}_${fn})
        endforeach()
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(entries ${name})
    endif()
    set_tests_properties(${entries} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZRSIM=$<TARGET_FILE:zrsim>;ZRVU_BIN_DIR=${CMAKE_BINARY_DIR};${ZR_SANITIZER_ENV}")
endfunction()

# zr_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s])
# Every suite runs offscreen, knows where zrsim is (ZRSIM) and runs in its
# own build folder; suites that touch config.ini chdir into a temporary dir.
function(zr_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE zr_common zr_testsupport Qt5::Test ${T_LIBS})
    add_dependencies(${name} zrsim)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZRSIM=$<TARGET_FILE:zrsim>;ZRVU_BIN_DIR=${CMAKE_BINARY_DIR}")
endfunction()

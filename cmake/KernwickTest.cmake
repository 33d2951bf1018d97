# kernwick_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [SESSION_BUS] [TIMEOUT <seconds>])
# Builds a Qt Test program and registers it with ctest. Tests find the shared presentation fixtures
# through KERNWICK_FIXTURES_DIR and the built programs through KERNWICK_BIN_DIR. A SESSION_BUS test runs
# on a private session bus of its own, started for it by dbus-run-session, so that the desktop services
# it registers never meet another test's, nor a service installed on the machine.
function(kernwick_add_test name)
    cmake_parse_arguments(ARG "SESSION_BUS" "TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        KERNWICK_FIXTURES_DIR="${KERNWICK_FIXTURES_DIR}"
        KERNWICK_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
        KERNWICK_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(ARG_SESSION_BUS)
        find_program(DBUS_RUN_SESSION dbus-run-session REQUIRED)
        add_test(NAME ${name} COMMAND ${DBUS_RUN_SESSION} --config-file=${PROJECT_SOURCE_DIR}/cmake/test-session-bus.conf
                                      -- $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set(environment "QT_QPA_PLATFORM=offscreen")
    if(KERNWICK_SANITIZE)
        # The programs the tests start read a sanitizer's report on their error stream as part of an
        # answer: leaks inside libraries that are not ours stay quiet.
        list(APPEND environment "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()

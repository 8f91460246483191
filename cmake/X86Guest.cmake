# Where the 32-bit Windows program's tests run. Wine runs them on this machine when its kernel
# runs 32-bit code; some kernels run none ("32-bit emulation disabled"), and there they run in
# the x86 guest, a small Debian system under QEMU (tools/x86-guest): all of them in one boot, by
# the test x86_guest, after which each test reports the result the guest gave it.
#
# TESSALY_X86_TESTS: "auto" asks tools/x86-probe.sh; "native" or "guest" decide.
set(TESSALY_X86_TESTS auto CACHE STRING "Where the 32-bit Windows tests run: auto, native or guest")
set_property(CACHE TESSALY_X86_TESTS PROPERTY STRINGS auto native guest)

set(TESSALY_X86_TESTS_IN_GUEST OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    if(TESSALY_X86_TESTS STREQUAL "guest")
        set(TESSALY_X86_TESTS_IN_GUEST ON)
    elseif(TESSALY_X86_TESTS STREQUAL "auto")
        execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/x86-probe.sh
                        RESULT_VARIABLE runs_x86 OUTPUT_QUIET ERROR_QUIET)
        if(NOT runs_x86 EQUAL 0)
            set(TESSALY_X86_TESTS_IN_GUEST ON)
        endif()
    endif()
    if(TESSALY_X86_TESTS_IN_GUEST)
        message(STATUS "32-bit Windows tests: in the x86 guest (this machine runs no 32-bit code)")
    endif()
endif()
set(TESSALY_X86_GUEST_JOB ${CMAKE_BINARY_DIR}/x86-guest)
# Emulated, the guest is slower than the build machine: its tests get this many times the time.
set(TESSALY_X86_GUEST_SLOWDOWN 4)

# tessaly_add_x86_guest_run(): the test that runs the others in the guest, where they run there.
function(tessaly_add_x86_guest_run)
    if(NOT TESSALY_X86_TESTS_IN_GUEST)
        return()
    endif()
    # The guest dies with ctest, even when ctest itself is stopped.
    add_test(NAME x86_guest
        COMMAND setpriv --pdeathsig KILL -- ${PROJECT_SOURCE_DIR}/cmake/x86-guest-run.sh
                ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${TESSALY_X86_GUEST_JOB})
    # Making the guest on a fresh machine takes minutes; the runs take most of the time.
    set_tests_properties(x86_guest PROPERTIES FIXTURES_SETUP x86_guest SKIP_RETURN_CODE 77
                         TIMEOUT 3000)
endfunction()

# tessaly_add_windows_test(NAME [TIMEOUT seconds] COMMAND command...)
# A test that runs Windows programs under Wine.
function(tessaly_add_windows_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "COMMAND" ${ARGN})
    set(timeout ${ARG_TIMEOUT})
    if(TESSALY_X86_TESTS_IN_GUEST)
        add_test(NAME ${name}
            COMMAND ${PROJECT_SOURCE_DIR}/cmake/x86-guest-test.sh ${name}
                    ${TESSALY_X86_GUEST_JOB}/results ${ARG_COMMAND})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED x86_guest SKIP_RETURN_CODE 77)
        if(NOT timeout)
            set(timeout 300)
        endif()
        math(EXPR timeout "${timeout} * ${TESSALY_X86_GUEST_SLOWDOWN}")
    else()
        add_test(NAME ${name} COMMAND ${ARG_COMMAND})
    endif()
    if(timeout)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
    endif()
endfunction()

# webview2_abi_table(FACTS OUTPUT INTERFACES...): writes OUTPUT, a C++ include with one
# WEBVIEW2_INTERFACE(Name, "IID") line per interface in INTERFACES and one
# WEBVIEW2_METHOD(Name, Method, Slot) line per method the facts file lists for it, so the test
# probes every method the facts name. The facts file: "INTERFACE IID" starts an interface,
# "SLOT METHOD" lines follow; '#' lines and blank lines are skipped.
function(webview2_abi_table facts output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${facts})
    file(STRINGS ${facts} lines)
    set(wanted ${ARGN})
    set(current "")
    set(text "// Made by cmake/WebView2AbiTable.cmake from ${facts}.\n")
    foreach(line IN LISTS lines)
        if(line MATCHES "^(ICoreWebView2[A-Za-z0-9_]*) ([0-9A-F-]+)$")
            set(current "")
            if(CMAKE_MATCH_1 IN_LIST wanted)
                set(current ${CMAKE_MATCH_1})
                list(REMOVE_ITEM wanted ${current})
                string(APPEND text "WEBVIEW2_INTERFACE(${current}, \"${CMAKE_MATCH_2}\")\n")
            endif()
        elseif(current AND line MATCHES "^([0-9]+) ([A-Za-z0-9_]+)$")
            string(APPEND text "WEBVIEW2_METHOD(${current}, ${CMAKE_MATCH_2}, ${CMAKE_MATCH_1})\n")
        endif()
    endforeach()
    if(wanted)
        message(FATAL_ERROR "No WebView2 ABI facts for ${wanted} in ${facts}")
    endif()
    file(CONFIGURE OUTPUT ${output} CONTENT "${text}")
endfunction()

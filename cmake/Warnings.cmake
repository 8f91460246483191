# Warning flags for the project's own targets only (third-party code keeps its own flags).
add_library(tessaly_warnings INTERFACE)
target_compile_options(tessaly_warnings INTERFACE -Wall -Wextra)
if(TESSALY_WERROR)
    target_compile_options(tessaly_warnings INTERFACE -Werror)
endif()

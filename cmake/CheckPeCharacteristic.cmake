# Fails unless the PE header of FILE lists the characteristic FLAG as objdump names it (for
# example "large address aware"). OBJDUMP is the cross objdump that can read the file.
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "objdump could not read ${FILE}")
endif()
string(REGEX MATCH "Characteristics[^\n]*\n(\t[^\n]*\n)*" characteristics "${dump}")
string(FIND "${characteristics}" "${FLAG}" found)
if(found EQUAL -1)
    message(FATAL_ERROR "${FILE} is not marked ${FLAG}:\n${characteristics}")
endif()

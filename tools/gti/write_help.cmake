# Writes what `gti WORD OPTION` prints into OUT, in the English of the C locale:
# cmake -DGTI=... -DOUT=... -DWORD=help -DOPTION=--man -P write_help.cmake
set(ENV{LC_ALL} C)
execute_process(COMMAND ${GTI} ${WORD} ${OPTION} OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gti ${WORD} ${OPTION}: exit code ${rc}")
endif()

# cmake -DSOURCE_ROOT=<src> -DGRAPH=<file> [-DEXPECT=<text>] -P run_check.cmake
# Runs the module graph check. Without EXPECT it must pass; with EXPECT it must
# fail and say EXPECT among its reasons.
cmake_minimum_required(VERSION 3.25)
execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${SOURCE_ROOT} -DGRAPH=${GRAPH}
            -P ${CMAKE_CURRENT_LIST_DIR}/../../cmake/check_module_graph.cmake
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
message("${output}")
if(NOT DEFINED EXPECT)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "the check failed (${result})")
    endif()
elseif(result EQUAL 0)
    message(FATAL_ERROR "the check passed; expected a failure saying: ${EXPECT}")
else()
    string(FIND "${output}" "${EXPECT}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the check failed for another reason; expected: ${EXPECT}")
    endif()
endif()

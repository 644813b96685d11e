# cmake -DSOURCE_ROOT=<src> -DGRAPH=<file> -P check_module_graph.cmake
#
# Checks the folders' dependencies against their #include "..." lines. GRAPH
# has one line "<folder>: <folders it links>" per folder of SOURCE_ROOT, from
# the bottom up (written by quorvane_module_graph). Fails, naming each fault,
# when a folder
#   - links a folder that is not before it in GRAPH (an edge back up, a cycle),
#   - includes a header of another folder that it does not link,
#   - links a folder it includes nothing of,
#   - includes a header found in no folder of GRAPH.
# A folder's files are the headers and sources directly in it; a quoted
# include is looked up beside the including file, then under SOURCE_ROOT, then
# under each folder (a public include folder such as quellix/include).
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_ROOT OR NOT GRAPH)
    message(FATAL_ERROR "usage: cmake -DSOURCE_ROOT=<src> -DGRAPH=<file> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT EXISTS "${GRAPH}")
    message(FATAL_ERROR "no module graph at ${GRAPH}")
endif()
get_filename_component(SOURCE_ROOT "${SOURCE_ROOT}" ABSOLUTE)

set(folders)
set(faults)
file(STRINGS "${GRAPH}" lines)
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([^: ]+):(.*)$")
        list(APPEND faults "${GRAPH}: not \"<folder>: <folders>\": ${line}")
        continue()
    endif()
    set(folder "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_2}" deps)
    separate_arguments(deps UNIX_COMMAND "${deps}")
    list(LENGTH folders rank)
    set("rank_${folder}" ${rank})
    set("deps_${folder}" ${deps})
    list(APPEND folders "${folder}")
endforeach()

# The folder that holds `file` (absolute), or "" when that is no folder of GRAPH.
function(owner_of file out)
    file(RELATIVE_PATH relative "${SOURCE_ROOT}" "${file}")
    get_filename_component(dir "${relative}" DIRECTORY)
    if(dir IN_LIST folders)
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "" PARENT_SCOPE)
    endif()
endfunction()

set(include_count 0)
foreach(folder IN LISTS folders)
    foreach(dep IN LISTS "deps_${folder}")
        if(NOT DEFINED "rank_${dep}")
            list(APPEND faults "${folder} links ${dep}, which is no folder of the graph")
        elseif(NOT rank_${dep} LESS rank_${folder})
            list(APPEND faults "${folder} links ${dep}, which is not below it: an edge back up")
        endif()
    endforeach()

    file(GLOB files LIST_DIRECTORIES false
         "${SOURCE_ROOT}/${folder}/*.h" "${SOURCE_ROOT}/${folder}/*.hpp"
         "${SOURCE_ROOT}/${folder}/*.c" "${SOURCE_ROOT}/${folder}/*.cpp")
    list(SORT files)
    set(used)
    foreach(file IN LISTS files)
        file(RELATIVE_PATH shown "${SOURCE_ROOT}" "${file}")
        get_filename_component(here "${file}" DIRECTORY)
        file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
        foreach(include IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" name "${include}")
            math(EXPR include_count "${include_count} + 1")
            set(found "")
            if(EXISTS "${here}/${name}")
                get_filename_component(found "${name}" ABSOLUTE BASE_DIR "${here}")
            elseif(EXISTS "${SOURCE_ROOT}/${name}")
                get_filename_component(found "${name}" ABSOLUTE BASE_DIR "${SOURCE_ROOT}")
            else()
                foreach(other IN LISTS folders)
                    if(EXISTS "${SOURCE_ROOT}/${other}/${name}")
                        get_filename_component(found "${name}" ABSOLUTE BASE_DIR "${SOURCE_ROOT}/${other}")
                        break()
                    endif()
                endforeach()
            endif()
            if(found STREQUAL "")
                list(APPEND faults "${shown} includes \"${name}\", which is in no folder of the graph")
                continue()
            endif()
            owner_of("${found}" owner)
            if(owner STREQUAL "")
                list(APPEND faults "${shown} includes \"${name}\", which is in no folder of the graph")
            elseif(NOT owner STREQUAL folder)
                list(APPEND used "${owner}")
                if(NOT owner IN_LIST "deps_${folder}")
                    set(why "which ${folder} does not link")
                    if(NOT rank_${owner} LESS rank_${folder})
                        string(APPEND why " and which is not below it: an edge back up")
                    endif()
                    list(APPEND faults "${shown} includes \"${name}\" of ${owner}, ${why}")
                endif()
            endif()
        endforeach()
    endforeach()

    foreach(dep IN LISTS "deps_${folder}")
        if(NOT dep IN_LIST used)
            list(APPEND faults "${folder} links ${dep} but includes nothing of it")
        endif()
    endforeach()
endforeach()

list(LENGTH folders folder_count)
if(faults)
    list(LENGTH faults fault_count)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "The folders' dependencies do not hold (${fault_count}):\n  ${text}\n"
                        "Each folder links exactly the folders it includes, and only folders "
                        "listed before it in src/CMakeLists.txt.")
endif()
message(STATUS "${folder_count} folders, ${include_count} quoted includes: every dependency declared and pointing down")

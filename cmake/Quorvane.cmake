# Helpers shared by every folder's CMakeLists.txt.

# Adds every subfolder of the current folder that has a CMakeLists.txt.
function(quorvane_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# quorvane_core_module(<name> [DEPS <targets>...])
# A static library quorvane_core_<name> from every .cpp in src/core/<name>; DEPS
# are the targets of the folders its files include (tests/structure checks them).
function(quorvane_core_module name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(target quorvane_core_${name})
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${target} PUBLIC ${ARG_DEPS} Threads::Threads)
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${target} INTERFACE ${ARG_DEPS} Threads::Threads)
    endif()
endfunction()

# quorvane_add_gtest(<name> SOURCES <files>... LIBS <targets>... [LABELS <labels>...])
# One GoogleTest program in the program folder; its cases are found before each run.
function(quorvane_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
    target_compile_definitions(${name} PRIVATE
        QUORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        QUORVANE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
    # An empty LABELS value would swallow the next property name. CI runs as
    # root: the programs the tests start leave out their notice about it.
    set(properties TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                   ENVIRONMENT_MODIFICATION "QUORVANE_QUIET_ROOT=set:1")
    if(ARG_LABELS)
        list(APPEND properties LABELS "${ARG_LABELS}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ${properties})
endfunction()

# quorvane_fuzz_target(<name> SOURCES <files>... [LIBS <targets>...] [INCLUDES <dirs>...]
#                      [CORPUS <folders>...])
# With QUORVANE_FUZZ a libFuzzer program <name>. Otherwise, when tests are
# built, <name>_replay: the same entry point fed every file of the corpus
# folders and of crashes/<name>/ (saved crash inputs, which may be absent) by
# fuzz/replay_main.cpp, run by ctest as fuzz_replay.<name>.
function(quorvane_fuzz_target name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;INCLUDES;CORPUS" ${ARGN})
    if(QUORVANE_FUZZ)
        set(target ${name})
        add_executable(${target} ${ARG_SOURCES})
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
        target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    elseif(QUORVANE_TESTS)
        set(target ${name}_replay)
        add_executable(${target} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
        set(folders)
        foreach(folder IN LISTS ARG_CORPUS)
            list(APPEND folders ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
        endforeach()
        add_test(NAME fuzz_replay.${name}
                 COMMAND ${target} ${folders} --saved ${CMAKE_CURRENT_SOURCE_DIR}/crashes/${name}
                 WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
        set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz_replay TIMEOUT 300)
    else()
        return()
    endif()
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${ARG_INCLUDES})
    if(ARG_LIBS)
        target_link_libraries(${target} PRIVATE ${ARG_LIBS})
    endif()
endfunction()

# quorvane_module_graph(<file> <folders>...)
# Writes, once the whole project is configured, the graph that
# cmake/check_module_graph.cmake checks: one line "<folder>: <folders>" per
# folder of src (bottom up, as given), naming the folders its targets link.
# Links to targets outside src are left out; an aggregate target of src that
# is no folder of its own (quorvane_core) stands for what it links.
function(quorvane_module_graph file)
    # A deferred call reads variables when it runs: hand the arguments over in
    # properties.
    set_property(GLOBAL PROPERTY QUORVANE_MODULE_GRAPH_FILE ${file})
    set_property(GLOBAL PROPERTY QUORVANE_MODULE_GRAPH_FOLDERS ${ARGN})
    cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _quorvane_write_module_graph)
endfunction()

function(_quorvane_folders_added dir out)
    set(found ${dir})
    get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(child IN LISTS children)
        _quorvane_folders_added(${child} below)
        list(APPEND found ${below})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# The folders of src that `target` links, directly or through aggregates.
function(_quorvane_linked_folders target folders out)
    set(linked)
    get_target_property(type ${target} TYPE)
    set(items)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(items ${target} LINK_LIBRARIES)
    endif()
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    list(APPEND items ${interface})
    foreach(item IN LISTS items)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
        if(NOT TARGET "${item}")
            continue()
        endif()
        get_target_property(imported ${item} IMPORTED)
        if(imported)
            continue()
        endif()
        get_target_property(dir ${item} SOURCE_DIR)
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${dir})
        if(folder IN_LIST folders)
            list(APPEND linked ${folder})
        elseif(NOT folder MATCHES "^\\.\\.")
            _quorvane_linked_folders(${item} "${folders}" through)
            list(APPEND linked ${through})
        endif()
    endforeach()
    set(${out} ${linked} PARENT_SCOPE)
endfunction()

function(_quorvane_write_module_graph)
    get_property(file GLOBAL PROPERTY QUORVANE_MODULE_GRAPH_FILE)
    get_property(folders GLOBAL PROPERTY QUORVANE_MODULE_GRAPH_FOLDERS)
    _quorvane_folders_added(${PROJECT_SOURCE_DIR}/src added)
    set(text "")
    foreach(folder IN LISTS folders)
        set(dir ${PROJECT_SOURCE_DIR}/src/${folder})
        if(NOT dir IN_LIST added)
            continue()  # not built in this configuration (the Qt program without Qt)
        endif()
        get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        set(deps)
        foreach(target IN LISTS targets)
            _quorvane_linked_folders(${target} "${folders}" linked)
            list(APPEND deps ${linked})
        endforeach()
        list(REMOVE_DUPLICATES deps)
        list(REMOVE_ITEM deps ${folder})
        list(JOIN deps " " deps)
        string(APPEND text "${folder}: ${deps}\n")
    endforeach()
    file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()

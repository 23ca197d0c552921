# palavrix_add_module(<name> SOURCES ... [QT Core Sql ...] [LIBRARIES ...])
# Builds a core library palavrix_<name> with the alias palavrix::<name>; its folder is
# the public include folder. Core libraries never link Qt Widgets.
function(palavrix_add_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;QT;LIBRARIES" ${ARGN})
    set(target palavrix_${name})
    add_library(${target} STATIC ${ARG_SOURCES})
    add_library(palavrix::${name} ALIAS ${target})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    set(qtlibs Qt6::Core)
    foreach(component IN LISTS ARG_QT)
        if(component STREQUAL "Widgets")
            message(FATAL_ERROR "core module ${name} must not link Qt Widgets")
        endif()
        list(APPEND qtlibs Qt6::${component})
    endforeach()
    target_link_libraries(${target} PUBLIC ${qtlibs} ${ARG_LIBRARIES})
    # Every core source, for the check that the core holds no text of the user interface.
    foreach(source IN LISTS ARG_SOURCES)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
        set_property(GLOBAL APPEND PROPERTY PALAVRIX_CORE_SOURCES ${source})
    endforeach()
endfunction()

# palavrix_add_ui_sources(<sources...>): window sources of a folder join the one UI library.
function(palavrix_add_ui_sources)
    target_sources(palavrix_ui PRIVATE ${ARGN})
    target_include_directories(palavrix_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

# palavrix_add_test(<Name> [SOURCES ...] [LIBRARIES ...] [TIMEOUT s] [LABELS ...])
# The Qt Test of one unit: the CTest test <Name>, built from tst_<Name>.cpp (class Test<Name>)
# and any further SOURCES into the executable tst_<Name>. Every test runs on the offscreen
# platform.
function(palavrix_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    set(target tst_${name})
    add_executable(${target} tst_${name}.cpp ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE Qt6::Test palavrix::test_support ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${target})
    set(env "QT_QPA_PLATFORM=offscreen")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT}
                         LABELS "${ARG_LABELS}")
endfunction()

# palavrix_add_test_fixture(<name> SOURCES ... [LIBRARIES ...])
# A library of fixtures shared by tests: palavrix_test_<name>, alias palavrix::test_<name>,
# its folder the public include folder.
function(palavrix_add_test_fixture name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    set(target palavrix_test_${name})
    add_library(${target} STATIC ${ARG_SOURCES})
    add_library(palavrix::test_${name} ALIAS ${target})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC Qt6::Core Qt6::Test ${ARG_LIBRARIES})
endfunction()

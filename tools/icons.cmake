# tools/icons.cmake - the program's toolbar and menu images, drawn at build
# time by makeicons into tbimages/ and Images/ beside the executable, and
# test_icons, which checks what was drawn. Needs Qt6 Gui and GoogleTest;
# included from the root CMakeLists.txt after the tests.
find_package(Qt6 REQUIRED COMPONENTS Gui)
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(makeicons ${CMAKE_CURRENT_LIST_DIR}/makeicons.cpp)
target_link_libraries(makeicons PRIVATE Qt6::Gui)

# One stamp stands for all the files: they are redrawn whenever makeicons
# is rebuilt.
set(PAGIMO_ICONS_STAMP ${CMAKE_BINARY_DIR}/tbimages.stamp)
add_custom_command(OUTPUT ${PAGIMO_ICONS_STAMP}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:makeicons> ${CMAKE_BINARY_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${PAGIMO_ICONS_STAMP}
    DEPENDS makeicons
    COMMENT "Drawing the toolbar and menu images")
add_custom_target(pagimo_icons ALL DEPENDS ${PAGIMO_ICONS_STAMP})

add_executable(test_icons ${CMAKE_SOURCE_DIR}/tests/test_icons.cpp)
target_link_libraries(test_icons PRIVATE Qt6::Gui GTest::gtest GTest::gtest_main)
target_compile_definitions(test_icons PRIVATE PAGIMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(test_icons pagimo_icons)
gtest_discover_tests(test_icons
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 30)

# The Windows build's tests, run under Wine by scripts/test-windows: the logic that can differ on
# Windows and the Windows facilities themselves. GoogleTest is built from Debian's sources with the
# cross compiler, as Debian ships it for Linux only; its own CMake names the targets GTest::gtest and GTest::gmock.
find_package(Qt6 REQUIRED COMPONENTS Test)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64})

# The support that needs no POSIX: child processes, fakes of the platform's services, recorders, the
# simulated port.
set(TOLVANE_TEST_SUPPORT_SOURCES support/ChildProcess.cpp support/Win32ChildEnd.cpp support/FakeServices.cpp
    support/Recorders.cpp support/SimulatedPortIO.cpp support/ProcessState.cpp support/ScopedEnvironment.cpp
    support/Win32NullModem.cpp support/Win32DdeClient.cpp support/Win32FeedWatch.cpp)
add_library(tolvane_test_support STATIC ${TOLVANE_TEST_SUPPORT_SOURCES})
target_include_directories(tolvane_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_test_support PUBLIC tolvane_windows Qt6::Test GTest::gtest GTest::gmock)
target_compile_definitions(tolvane_test_support PUBLIC
    TOLVANE_BINARY_DIR="${CMAKE_BINARY_DIR}"
    TOLVANE_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    TOLVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOLVANE_VERSION="${PROJECT_VERSION}")

# One program per folder, from its files that run on Windows: those named for Windows and those that
# name no platform. Each runs as one test, as Wine takes a moment to start every program.
function(tolvane_add_windows_test target)
    cmake_parse_arguments(TEST "LOGIC" "" "SOURCES;LINKS" ${ARGN})
    if(TEST_LOGIC)
        add_executable(${target} ${TEST_SOURCES} support/LogicTestMain.cpp)
        target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${target} PRIVATE ${TEST_LINKS} GTest::gtest)
    else()
        add_executable(${target} ${TEST_SOURCES} support/Win32TestMain.cpp)
        target_link_libraries(${target} PRIVATE tolvane_test_support ${TEST_LINKS})
    endif()
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 300 LABELS windows)
endfunction()

function(tolvane_windows_sources out folder)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "${OTHER_PLATFORM_FILES}")
    set(kept)
    foreach(source ${sources})
        get_filename_component(name ${source} NAME)
        if(name MATCHES "^Win32" OR name IN_LIST ARGN)
            list(APPEND kept ${source})
        endif()
    endforeach()
    set(${out} ${kept} PARENT_SCOPE)
endfunction()

tolvane_windows_sources(CORE_TESTS core NumberFormatTest.cpp)
tolvane_add_windows_test(test_core LOGIC SOURCES ${CORE_TESTS} LINKS tolvane_core)

tolvane_windows_sources(PLATFORM_TESTS platform DdemlClientConvTest.cpp FileSystemTest.cpp HeadingTextTest.cpp)
tolvane_add_windows_test(test_platform SOURCES ${PLATFORM_TESTS})
# The platform tests start the stand-ins and load the port library's stand-in.
add_dependencies(test_platform teskarn-dde arswin-standin ioctrl-standin)

# The configuration file and the process start, a logic program as on Linux, with Windows' own rows; the
# driver rules, with the serial drivers on a real COM port.
file(GLOB CONFIG_TESTS CONFIGURE_DEPENDS app/*ConfigFileTest.cpp app/*ReadbackSettingTest.cpp app/*CompassSettingTest.cpp app/*StartUpTest.cpp)
list(FILTER CONFIG_TESTS EXCLUDE REGEX "${OTHER_PLATFORM_FILES}")
tolvane_add_windows_test(test_config LOGIC SOURCES ${CONFIG_TESTS} LINKS tolvane_config)

tolvane_windows_sources(DRIVERS_TESTS drivers DriverContractTest.cpp ParallelDriversTest.cpp)
tolvane_add_windows_test(test_drivers SOURCES ${DRIVERS_TESTS})

# The bridge: its protocol, lines and gate as on Linux, and the process's defences against hostile clients.
tolvane_windows_sources(TOOLS_TESTS tools BridgeAbuseTest.cpp RotctlProtocolTest.cpp LineAssemblerTest.cpp
    ConnectionGateTest.cpp)
tolvane_add_windows_test(test_tools SOURCES ${TOOLS_TESTS} LINKS rotctl_protocol connection_gate Qt6::Network)
add_dependencies(test_tools tolvane-bridge)

# The compass dial as Qt for Windows draws it and hands it its keys, clicks and screen reader.
tolvane_windows_sources(WIDGETS_TESTS widgets CompassTest.cpp)
tolvane_add_windows_test(test_widgets SOURCES ${WIDGETS_TESTS})

# Tolvane.exe end to end with the stand-ins, pressed as a user presses it; and its installer, which
# scripts/build-windows makes after the build.
tolvane_windows_sources(E2E_TESTS e2e)
tolvane_add_windows_test(test_e2e SOURCES ${E2E_TESTS})
add_dependencies(test_e2e tolvane teskarn-dde arswin-standin)

# The unit tests built for Windows and run under Wine. Files left out below
# test what Windows does not have or need a Linux program to run.

# What only Linux has (hive files, the runtime folder's object files, desktop entries).
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX "/unit/platform/posix/")
# They start the Linux tools (platform server, publisher, stand-in, zorbit-reg).
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX "/unit/tools/")
# Their fixtures serve from the local platform server, a Linux tool that needs OpenSSL.
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX
    "/unit/telemetry/(analytics|counters_client|log_upload|settings_load|stats_reports)_test\\.cpp$")
# Served by the local platform server too (a published deployment, its slow routes).
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX
    "/unit/(install/file_deployer|install/component_deployment|net/http_time_bound|launcher/integrity_check)_test\\.cpp$")
# The shared launcher's tests start Studio from the local platform server's deployment.
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX "/unit/launch/shared_launcher(_library)?_test\\.cpp$")

add_executable(unit_tests ${ZORBIT_UNIT_TESTS}
    ${PROJECT_SOURCE_DIR}/tools/zorbit-publish/zip_writer.cpp)
# The install tests build real zip archives with the publisher's zip writer.
target_include_directories(unit_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools/zorbit-publish)
target_link_libraries(unit_tests PRIVATE PkgConfig::MINIZIP ZLIB::ZLIB)
add_dependencies(unit_tests ZorbitStudioLauncherBeta)

# The unit tests built for Windows and run under Wine. Files left out below
# test what Windows does not have or need a Linux program to run.

# What only Linux has (hive files, the runtime folder's object files, desktop entries).
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX "/unit/platform/posix/")
# They start the Linux tools (platform server, publisher, stand-in, zorbit-reg).
list(FILTER ZORBIT_UNIT_TESTS EXCLUDE REGEX "/unit/tools/")
add_executable(unit_tests ${ZORBIT_UNIT_TESTS})
# The install tests build real zip archives with the publisher's zip writer.
target_link_libraries(unit_tests PRIVATE PkgConfig::MINIZIP ZLIB::ZLIB)
add_dependencies(unit_tests ZorbitStudioLauncherBeta zorbit-studio-standin)

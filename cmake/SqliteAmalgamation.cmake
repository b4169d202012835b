# SQLite's one-file amalgamation (sqlite3.c, sqlite3.h), made from Debian's
# SQLite source by scripts/sqlite-source.sh, compiled as a static library for
# a target that has no SQLite of its own (the mingw-w64 builds): the target
# relaytest_sqlite3, also named SQLite::SQLite3 as FindSQLite3 names the
# system's. Included with RELAYTEST_SQLITE_AMALGAMATION naming the folder, by
# the top-level CMakeLists.txt and by cmake/sqlite3 (one library shared by
# two builds of one architecture).
if(NOT EXISTS "${RELAYTEST_SQLITE_AMALGAMATION}/sqlite3.c" OR NOT EXISTS "${RELAYTEST_SQLITE_AMALGAMATION}/sqlite3.h")
  message(FATAL_ERROR "RELAYTEST_SQLITE_AMALGAMATION=${RELAYTEST_SQLITE_AMALGAMATION} holds no sqlite3.c and "
                      "sqlite3.h (scripts/sqlite-source.sh makes them)")
endif()
enable_language(C)
add_library(relaytest_sqlite3 STATIC ${RELAYTEST_SQLITE_AMALGAMATION}/sqlite3.c)
target_include_directories(relaytest_sqlite3 SYSTEM PUBLIC ${RELAYTEST_SQLITE_AMALGAMATION})
# Serialized connections where a caller asks for them (the ledger opens its
# own without a mutex); no extensions loaded from DLLs. Optimised whatever
# the build type, without debug information (an 8 MB file: most of its
# compile time would go on it), and SQLite's code keeps its own warnings.
target_compile_definitions(relaytest_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
if(MSVC)
  target_compile_options(relaytest_sqlite3 PRIVATE /O2 /w)
else()
  target_compile_options(relaytest_sqlite3 PRIVATE -O2 -g0 -w)
endif()
set_target_properties(relaytest_sqlite3 PROPERTIES POSITION_INDEPENDENT_CODE ON)
add_library(SQLite::SQLite3 ALIAS relaytest_sqlite3)
set(SQLite3_FOUND TRUE)

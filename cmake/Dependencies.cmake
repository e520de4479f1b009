# zlib, minizip, libdeflate, libsodium, GoogleTest and (for the tests)
# nlohmann-json, installed from Debian packages by scripts/setup.
if(WIN32)
  # zlib from libz-mingw-w64-dev; minizip compiled here from the zlib source
  # package that scripts/setup unpacks into its cache.
  set(QUILLON_ZLIB_SRC "$ENV{HOME}/.cache/quillon/zlib-src" CACHE PATH "Unpacked zlib source package")
  if(DEFINED ENV{XDG_CACHE_HOME})
    set(QUILLON_ZLIB_SRC "$ENV{XDG_CACHE_HOME}/quillon/zlib-src" CACHE PATH "" FORCE)
  endif()
  set(_mz ${QUILLON_ZLIB_SRC}/contrib/minizip)
  if(NOT EXISTS ${_mz}/unzip.c)
    message(FATAL_ERROR "minizip sources not found in ${_mz}; run scripts/setup")
  endif()
  find_library(ZLIB_STATIC NAMES libz.a z REQUIRED)
  add_library(minizip STATIC ${_mz}/ioapi.c ${_mz}/unzip.c ${_mz}/zip.c)
  target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
  target_compile_options(minizip PRIVATE -w)
  # Callers include <minizip/unzip.h> in both configurations.
  set(_mzinc ${CMAKE_BINARY_DIR}/minizip-include)
  file(MAKE_DIRECTORY ${_mzinc})
  file(CREATE_LINK ${_mz} ${_mzinc}/minizip SYMBOLIC)
  target_include_directories(minizip PUBLIC ${_mzinc} PRIVATE ${_mz})
  target_link_libraries(minizip PUBLIC ${ZLIB_STATIC})

  # libdeflate compiled here from its Debian source package, which
  # scripts/setup unpacks into the same cache (Debian has no MinGW build).
  set(QUILLON_LIBDEFLATE_SRC "${QUILLON_ZLIB_SRC}/../libdeflate-src" CACHE PATH "Unpacked libdeflate source package")
  if(NOT EXISTS ${QUILLON_LIBDEFLATE_SRC}/lib/deflate_decompress.c)
    message(FATAL_ERROR "libdeflate sources not found in ${QUILLON_LIBDEFLATE_SRC}; run scripts/setup")
  endif()
  set(_ld ${QUILLON_LIBDEFLATE_SRC}/lib)
  add_library(libdeflate STATIC ${_ld}/deflate_decompress.c ${_ld}/crc32.c ${_ld}/utils.c ${_ld}/x86/cpu_features.c)
  target_compile_options(libdeflate PRIVATE -O2 -w)
  target_include_directories(libdeflate PUBLIC ${QUILLON_LIBDEFLATE_SRC})

  # libsodium, built static from Debian's source package by scripts/setup.
  set(QUILLON_SODIUM_MINGW "$ENV{HOME}/.cache/quillon/libsodium-mingw" CACHE PATH "libsodium built for MinGW-w64")
  if(DEFINED ENV{XDG_CACHE_HOME})
    set(QUILLON_SODIUM_MINGW "$ENV{XDG_CACHE_HOME}/quillon/libsodium-mingw" CACHE PATH "" FORCE)
  endif()
  if(NOT EXISTS ${QUILLON_SODIUM_MINGW}/lib/libsodium.a)
    message(FATAL_ERROR "libsodium for MinGW not found in ${QUILLON_SODIUM_MINGW}; run scripts/setup")
  endif()
  add_library(sodium STATIC IMPORTED)
  set_target_properties(sodium PROPERTIES
    IMPORTED_LOCATION ${QUILLON_SODIUM_MINGW}/lib/libsodium.a
    INTERFACE_INCLUDE_DIRECTORIES ${QUILLON_SODIUM_MINGW}/include
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
    INTERFACE_LINK_LIBRARIES advapi32)  # its random numbers come from RtlGenRandom

  # GoogleTest from Debian's googletest source package.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest's own CMake project defines the GTest:: aliases.
else()
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(minizip INTERFACE)
  target_link_libraries(minizip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
  pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
  add_library(sodium INTERFACE)
  target_link_libraries(sodium INTERFACE PkgConfig::SODIUM)
  pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
  add_library(libdeflate INTERFACE)
  target_link_libraries(libdeflate INTERFACE PkgConfig::LIBDEFLATE)
  find_package(GTest REQUIRED)
endif()

# nlohmann-json is header-only: the tests read the upgrade log's JSON lines
# back with it. The Windows build sees only its own folder of it, never the
# rest of /usr/include.
if(NOT EXISTS /usr/include/nlohmann/json.hpp)
  message(FATAL_ERROR "nlohmann/json.hpp not found; run scripts/setup")
endif()
add_library(nlohmann_json_headers INTERFACE)
if(WIN32)
  set(_jsoninc ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${_jsoninc})
  file(CREATE_LINK /usr/include/nlohmann ${_jsoninc}/nlohmann SYMBOLIC)
  target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${_jsoninc})
endif()

# minizip's unzip part, built from the contrib/minizip sources of Debian's zlib source
# package (fetched by scripts/setup), against the static zlib of libz-mingw-w64-dev.
set(NORLA_ZLIB_SOURCE_DIR "${CMAKE_SOURCE_DIR}/.cache/zlib" CACHE PATH
    "Unpacked zlib source package (for contrib/minizip)")
set(_minizip_dir "${NORLA_ZLIB_SOURCE_DIR}/contrib/minizip")
if(NOT EXISTS "${_minizip_dir}/unzip.c")
  message(FATAL_ERROR "minizip sources not found in ${_minizip_dir}; run scripts/setup")
endif()

find_library(NORLA_ZLIB_LIBRARY NAMES libz.a z REQUIRED)
find_path(NORLA_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
add_library(zlib_static STATIC IMPORTED GLOBAL)
set_target_properties(zlib_static PROPERTIES
  IMPORTED_LOCATION "${NORLA_ZLIB_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${NORLA_ZLIB_INCLUDE_DIR}")

# unzip.c switches its traditional decryption off by defining NOUNCRYPT itself, so no
# compiler flag can turn it on; build a copy without that switch.
file(READ "${_minizip_dir}/unzip.c" _unzip_source)
string(REPLACE "#ifndef NOUNCRYPT\n        #define NOUNCRYPT\n#endif\n" ""
  _unzip_decrypting "${_unzip_source}")
if(_unzip_decrypting STREQUAL _unzip_source)
  message(FATAL_ERROR "minizip: the NOUNCRYPT switch in unzip.c was not found")
endif()
file(WRITE "${CMAKE_BINARY_DIR}/minizip/unzip.c.new" "${_unzip_decrypting}")
configure_file("${CMAKE_BINARY_DIR}/minizip/unzip.c.new" "${CMAKE_BINARY_DIR}/minizip/unzip.c" COPYONLY)

add_library(minizip STATIC
  ${CMAKE_BINARY_DIR}/minizip/unzip.c
  ${_minizip_dir}/ioapi.c
  ${_minizip_dir}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${_minizip_dir})
# Third-party code: built as it comes, without our warning flags.
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC zlib_static)

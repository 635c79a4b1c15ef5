# Helpers shared by every subsystem's CMakeLists.

# Sources of a folder for the current target OS: name_posix.cpp files only on
# POSIX, name_win32.cpp files only on Windows, every other .cpp on both.
function(lh_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(result)
  foreach(f IN LISTS all)
    get_filename_component(n "${f}" NAME_WE)
    if(n MATCHES "_posix$" AND WIN32)
      continue()
    endif()
    if(n MATCHES "_win32$" AND NOT WIN32)
      continue()
    endif()
    list(APPEND result "${f}")
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# A static library made of every source of its folder.
function(lh_library name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  lh_sources(srcs "${CMAKE_CURRENT_SOURCE_DIR}")
  if(srcs)
    add_library(${name} STATIC ${srcs})
    set(scope PUBLIC)
  else()
    # A subsystem with no sources yet still gives its dependents its headers.
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} ${scope} ${A_DEPS})
endfunction()

# Embeds a file's bytes as `const unsigned char SYMBOL[]` plus
# `const std::size_t SYMBOL_size` in a generated source added to TARGET.
function(lh_embed target symbol file)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P "${PROJECT_SOURCE_DIR}/cmake/embed.cmake"
    DEPENDS "${file}" "${PROJECT_SOURCE_DIR}/cmake/embed.cmake"
    COMMENT "Embedding ${symbol}")
  target_sources(${target} PRIVATE "${out}")
endfunction()

# Build speed: precompiled headers, unity groups for the libraries and test
# programs, a
# faster linker and compiler-cache settings that keep working with both.
#
# Everything here is automatic for new files: unity groups take every source
# of a test program, and the precompiled header of a target (when turned on)
# is made of the headers its own sources include, found when CMake
# configures. To compare, or to hunt a missing #include:
#   -DSK_UNITY=OFF        every test source compiled on its own
#   -DSK_PCH=ON           precompiled headers
#   -DSK_FAST_LINKER=OFF  the default linker
# Precompiled headers do not pay with GCC 12 here: a target's .gch of Qt,
# GoogleTest and our headers is 90-230 MB, and loading it costs about what
# parsing the headers does (sk_forms' files took as long or longer, plus
# the header's own 20 s). Off until a compiler or the headers change that;
# turn it on to measure again.
option(SK_PCH "Precompiled headers made of each target's most used headers" OFF)
option(SK_UNITY "Compile the libraries and test programs in unity groups" ON)
set(SK_UNITY_BATCH 10 CACHE STRING "Most sources per unity group, on average")
option(SK_FAST_LINKER "Link with mold (or lld) when it is installed" ON)

# A header goes into a target's precompiled header when at least this many of
# the target's sources include it unconditionally.
set(SK_PCH_MIN_USES 2)
# Targets with fewer translation units than this get no precompiled header:
# making it would cost more than it saves.
set(SK_PCH_MIN_UNITS 3)

# ccache and precompiled headers: the cache cannot see macros or __TIME__
# through a precompiled header, and the header's .gch is always newer than
# the cache's safety margin; CMake includes it with -include, which ccache
# follows. These settings ride on the launcher, so a plain cmake --build
# keeps them too.
if(CCACHE_PROGRAM)
  set(_sk_launcher env
      "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
      ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${_sk_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_sk_launcher})
endif()

if(SK_FAST_LINKER)
  include(CheckLinkerFlag)
  foreach(_ld mold lld)
    check_linker_flag(CXX "-fuse-ld=${_ld}" SK_LINKER_${_ld})
    if(SK_LINKER_${_ld})
      add_link_options("-fuse-ld=${_ld}")
      break()
    endif()
  endforeach()
endif()

# The C++ sources of <target> that are compiled (not HEADER_FILE_ONLY), by
# their full paths.
function(_sk_compiled_sources target out)
  get_target_property(sources ${target} SOURCES)
  get_target_property(srcdir ${target} SOURCE_DIR)
  set(result)
  foreach(src ${sources})
    if(NOT src MATCHES "\\.(cpp|cc|cxx)$")
      continue()
    endif()
    if(NOT IS_ABSOLUTE "${src}")
      set(src "${srcdir}/${src}")
    endif()
    get_source_file_property(hdronly "${src}" HEADER_FILE_ONLY)
    if(NOT hdronly)
      list(APPEND result "${src}")
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The headers of <target>'s precompiled header: every header that at least
# SK_PCH_MIN_USES of its C++ sources include outside #if blocks, and that is
# - a standard header (<vector>, <cmath>; no extension),
# - GoogleTest or GoogleMock,
# - a Qt class header (<QWidget>), or
# - a header of this repository ("platform/rtl/Strings.h", or a header beside
#   the source), given by its full path.
# Sources with SKIP_PRECOMPILE_HEADERS or HEADER_FILE_ONLY are left out.
function(_sk_pch_headers target out_headers out_units)
  _sk_compiled_sources(${target} sources)
  set(units 0)
  set(seen)
  foreach(src ${sources})
    get_source_file_property(skip "${src}" SKIP_PRECOMPILE_HEADERS)
    if(skip)
      continue()
    endif()
    math(EXPR units "${units} + 1")
    get_filename_component(dir "${src}" DIRECTORY)
    file(STRINGS "${src}" lines
         REGEX "^[ \t]*#[ \t]*(include|if|ifdef|ifndef|endif)")
    set(depth 0)
    set(mine)
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*#[ \t]*if")
        math(EXPR depth "${depth} + 1")
      elseif(line MATCHES "^[ \t]*#[ \t]*endif")
        math(EXPR depth "${depth} - 1")
      elseif(depth EQUAL 0 AND line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(name "${CMAKE_MATCH_1}")
        if(name MATCHES "^[a-z_]+$" OR name MATCHES "^(gtest|gmock)/"
           OR name MATCHES "^Q[A-Za-z]+$")
          list(APPEND mine "<${name}>")
        endif()
      elseif(depth EQUAL 0 AND line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(name "${CMAKE_MATCH_1}")
        if(EXISTS "${dir}/${name}")
          get_filename_component(path "${dir}/${name}" ABSOLUTE)
        elseif(EXISTS "${CMAKE_SOURCE_DIR}/${name}")
          get_filename_component(path "${CMAKE_SOURCE_DIR}/${name}" ABSOLUTE)
        else()
          continue()
        endif()
        list(APPEND mine "${path}")
      endif()
    endforeach()
    list(REMOVE_DUPLICATES mine)
    foreach(h ${mine})
      string(MAKE_C_IDENTIFIER "${h}" key)
      if(NOT DEFINED _n_${key})
        set(_n_${key} 0)
        list(APPEND seen "${h}")
      endif()
      math(EXPR _n_${key} "${_n_${key}} + 1")
    endforeach()
  endforeach()
  # Standard headers first, then GoogleTest and Qt, then ours, each in the
  # order first met: the precompiled header is compiled as one file.
  set(std)
  set(third)
  set(ours)
  foreach(h ${seen})
    string(MAKE_C_IDENTIFIER "${h}" key)
    if(_n_${key} LESS SK_PCH_MIN_USES)
      continue()
    endif()
    if(h MATCHES "^<[a-z_]+>$")
      list(APPEND std "${h}")
    elseif(h MATCHES "^<")
      list(APPEND third "${h}")
    else()
      list(APPEND ours "${h}")
    endif()
  endforeach()
  set(${out_headers} ${std} ${third} ${ours} PARENT_SCOPE)
  set(${out_units} ${units} PARENT_SCOPE)
endfunction()

# Unity groups of a library or test program: each source joins the group its file name
# hashes to, among a power of two of groups chosen so that a group holds at
# most SK_UNITY_BATCH sources on average. A new file therefore joins one
# group and leaves every other pair of files as it was; when the folder grows
# past a power of two, groups only split. Two files that once compiled
# together or apart never meet anew but through a new file. A source whose
# UNITY_GROUP the folder set itself keeps it (say, tests that share a
# `using namespace` of their own). Returns the number of translation units.
function(_sk_unity_groups target out_units)
  set(used)
  _sk_compiled_sources(${target} sources)
  set(batched)
  set(alone 0)
  foreach(src ${sources})
    get_source_file_property(single "${src}" SKIP_UNITY_BUILD_INCLUSION)
    get_source_file_property(named "${src}" UNITY_GROUP)
    if(single)
      math(EXPR alone "${alone} + 1")
    elseif(named)
      list(APPEND used "${named}")
    else()
      list(APPEND batched "${src}")
    endif()
  endforeach()
  list(LENGTH batched n)
  list(LENGTH used named)
  math(EXPR n "${n} + ${named}")
  set(groups 1)
  while(groups LESS 4096)
    math(EXPR cap "${groups} * ${SK_UNITY_BATCH}")
    if(n LESS_EQUAL cap)
      break()
    endif()
    math(EXPR groups "${groups} * 2")
  endwhile()
  foreach(src ${batched})
    get_filename_component(name "${src}" NAME)
    string(MD5 h "${name}")
    string(SUBSTRING "${h}" 0 6 h)
    math(EXPR g "0x${h} % ${groups}")
    set_source_files_properties("${src}" PROPERTIES UNITY_GROUP "g${g}")
    list(APPEND used "g${g}")
  endforeach()
  list(REMOVE_DUPLICATES used)
  list(LENGTH used ngroups)
  math(EXPR units "${ngroups} + ${alone}")
  set(${out_units} ${units} PARENT_SCOPE)
endfunction()

# Run at the end of the folder's CMakeLists.txt (so that source properties
# set after sk_library/sk_test count): unity groups for libraries and test
# programs, then
# the precompiled header.
function(_sk_speed_up target kind)
  set(units)
  if((kind STREQUAL "test" OR kind STREQUAL "library") AND SK_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE GROUP)
    # In a unity file a source is an included one: GCC would warn at each
    # TEST_F over a fixture of an anonymous namespace, and at each class of a
    # library file that holds a type of its own anonymous namespace.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endif()
    _sk_unity_groups(${target} units)
  endif()
  if(NOT SK_PCH)
    return()
  endif()
  if(units)
    _sk_pch_headers(${target} headers ignored)
  else()
    _sk_pch_headers(${target} headers units)
  endif()
  if(units LESS SK_PCH_MIN_UNITS OR NOT headers)
    return()
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# Called by sk_library, sk_test and sk_bench.
function(sk_speed_up target kind)
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _sk_speed_up [[${target}]] [[${kind}]])")
endfunction()

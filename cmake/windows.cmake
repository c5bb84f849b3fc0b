# Settings of the Windows tree: small static GUI programs, tests run under Wine.
enable_language(RC)
# No -fdata-sections: the linker script would then put zeroed globals (the
# decoder's tables) into .data, stored in the file, instead of .bss.
add_compile_options(-fno-exceptions $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti> -ffunction-sections)
add_link_options(-Wl,--gc-sections)
set(CMAKE_CXX_FLAGS_RELEASE "-Os")
set(CMAKE_C_FLAGS_RELEASE "-Os")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE "-s")
# WINMM's functions are declared as plain functions, not as imports: what ships
# links late_winmm (common/), which loads WINMM from the system folder when it is
# first needed; the tests link WINMM's import library.
add_compile_definitions(_WINMM_)

# Every Windows program built here runs under Wine in the tree's own prefix.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY USE_SOURCE_PERMISSIONS)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# A test that the program imports nothing but system DLLs: the five every
# program may use, and those named after the target (such as COMDLG32.DLL) for
# it alone.
function(add_import_check target)
  add_test(NAME imports.${target}
           COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}> ${ARGN})
endfunction()

# A test that a shipped program keeps ASLR and DEP: dynamic base, NX and
# relocations in its PE header.
function(add_hardening_check target)
  add_test(NAME hardening.${target}
           COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/check-hardening.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}>)
endfunction()

# The application manifest of a program (asInvoker, supported systems, drawn
# per monitor DPI), THEMED asking for the common controls of today's visual
# styles; its path in `out`.
function(configure_manifest target out)
  cmake_parse_arguments(ARG "THEMED" "" "" ${ARGN})
  set(COMMON_CONTROLS "")
  if(ARG_THEMED)
    set(COMMON_CONTROLS [=[  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
]=])
  endif()
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/app.manifest.in ${manifest} @ONLY)
  set(${out} ${manifest} PARENT_SCOPE)
endfunction()

# A version resource and an application manifest (THEMED as above) for a
# shipped program, and a test that it has them and stays within its size
# budget in bytes.
function(add_version_info target description budget)
  cmake_parse_arguments(ARG "THEMED" "" "" ${ARGN})
  set(NAME ${target})
  set(DESCRIPTION ${description})
  if(ARG_THEMED)
    configure_manifest(${target} MANIFEST THEMED)
  else()
    configure_manifest(${target} MANIFEST)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version_info.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc PROPERTIES OBJECT_DEPENDS ${MANIFEST})
  set(themed $<IF:$<BOOL:${ARG_THEMED}>,themed,plain>)
  add_test(NAME release.${target}
           COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/check-release.sh ${CMAKE_RC_COMPILER} $<TARGET_FILE:${target}> ${budget}
                   ${themed})
endfunction()

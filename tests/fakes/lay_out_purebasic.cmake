# Lays out a stand-in PureBasic installation from the built stand-ins, for
# the demo and scripted runs:
#   cmake -DFAKES=<build>/tests/fakes -DDIR=<folder> [-DEXE=.exe] -P lay_out_purebasic.cmake
# gives DIR/compilers/pbcompiler, DIR/TailBite/TailBite, DIR/purebasic and the
# empty folders PureLibraries/UserLibraries, Residents and help.
if(NOT FAKES OR NOT DIR)
  message(FATAL_ERROR "usage: cmake -DFAKES=<stand-ins folder> -DDIR=<folder> [-DEXE=.exe] -P lay_out_purebasic.cmake")
endif()
if(NOT DEFINED EXE)
  set(EXE "")
  if(EXISTS "${FAKES}/pbcompiler.exe")
    set(EXE ".exe")
  endif()
endif()
file(MAKE_DIRECTORY "${DIR}/compilers" "${DIR}/TailBite" "${DIR}/PureLibraries/UserLibraries"
     "${DIR}/Residents" "${DIR}/help")
file(COPY "${FAKES}/pbcompiler${EXE}" DESTINATION "${DIR}/compilers" FILE_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(COPY "${FAKES}/TailBite${EXE}" DESTINATION "${DIR}/TailBite" FILE_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(COPY "${FAKES}/purebasic${EXE}" DESTINATION "${DIR}" FILE_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Builds the placeholder device cabinet (MSZIP) from the payload sources,
# with gcab, or on Windows without gcab with Windows' own makecab.
# Usage: cmake -DSRC=<dir> -DWORK=<dir> -DOUT=<file> -DEPOCH=<seconds>
#              [-DGCAB=<gcab> | -DMAKECAB=<makecab>] -P build_payload.cmake
# The files' dates come from EPOCH (where touch is found) so two builds give
# the same bytes.
set(files _setup.xml readme.txt)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
find_program(TOUCH touch)
set(inputs)
foreach(f IN LISTS files)
  file(COPY "${SRC}/${f}" DESTINATION "${WORK}")
  if(TOUCH)
    execute_process(COMMAND "${TOUCH}" -d "@${EPOCH}" "${WORK}/${f}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  list(APPEND inputs "${WORK}/${f}")
endforeach()
file(REMOVE "${OUT}")
set(ENV{TZ} UTC)
if(GCAB)
  execute_process(COMMAND "${GCAB}" --create --zip --nopath "${OUT}" ${inputs} COMMAND_ERROR_IS_FATAL ANY)
else()
  get_filename_component(out_dir "${OUT}" DIRECTORY)
  get_filename_component(out_name "${OUT}" NAME)
  file(TO_NATIVE_PATH "${out_dir}" out_dir)
  file(TO_NATIVE_PATH "${WORK}" work_dir)
  set(directives ".OPTION EXPLICIT\n.Set CabinetNameTemplate=${out_name}\n"
      ".Set DiskDirectoryTemplate=\"${out_dir}\"\n.Set SourceDir=\"${work_dir}\"\n"
      ".Set CompressionType=MSZIP\n.Set Cabinet=on\n.Set Compress=on\n.Set MaxDiskSize=0\n"
      ".Set RptFileName=NUL\n.Set InfFileName=NUL\n")
  foreach(f IN LISTS files)
    string(APPEND directives "${f}\n")
  endforeach()
  file(WRITE "${WORK}/payload.ddf" ${directives})
  execute_process(COMMAND "${MAKECAB}" /F "${WORK}/payload.ddf" WORKING_DIRECTORY "${WORK}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()

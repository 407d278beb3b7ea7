# Builds the placeholder device cabinet (MSZIP) from the payload sources.
# Usage: cmake -DSRC=<dir> -DWORK=<dir> -DOUT=<file> -DEPOCH=<seconds> -P build_payload.cmake
# The files' dates come from EPOCH so two builds give the same bytes.
set(files _setup.xml readme.txt)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(inputs)
foreach(f IN LISTS files)
  file(COPY "${SRC}/${f}" DESTINATION "${WORK}")
  execute_process(COMMAND touch -d "@${EPOCH}" "${WORK}/${f}" COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND inputs "${WORK}/${f}")
endforeach()
file(REMOVE "${OUT}")
set(ENV{TZ} UTC)
execute_process(COMMAND gcab --create --zip --nopath "${OUT}" ${inputs} COMMAND_ERROR_IS_FATAL ANY)

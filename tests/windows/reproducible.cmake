# Two clean builds of dorvix.exe from the same sources, in two folders, give
# the same bytes, so that anyone can check a published exe by its SHA-256.
# SOURCE_DATE_EPOCH, when the configure step has it, becomes the link time
# stamp, and nothing else changes.
#
#   cmake -DSOURCE_DIR=... -DPRESET=windows-i686 -DWORK_DIR=... -P reproducible.cmake

set(epoch 1234567890)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}")
  endif()
endfunction()

# A clean build in WORK_DIR/NAME, its configure step run with `env` ARGN.
function(clean_build name)
  file(REMOVE_RECURSE ${WORK_DIR}/${name})
  run(${CMAKE_COMMAND} -E env ${ARGN}
      ${CMAKE_COMMAND} -S ${SOURCE_DIR} --preset ${PRESET} -B ${WORK_DIR}/${name})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${name} --target dorvix -j 2)
endfunction()

# The little-endian 32-bit number at byte `offset` of `hex`.
function(le32 hex offset result)
  set(value "")
  foreach(i 3 2 1 0)
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(APPEND value ${byte})
  endforeach()
  math(EXPR value "0x${value}")
  set(${result} ${value} PARENT_SCOPE)
endfunction()

# The exe's bytes as hex, with the link time stamp and the checksum, which
# covers the stamp, zeroed; the stamp in *stamp.
function(read_exe exe result stamp)
  file(READ ${exe} hex HEX)
  le32("${hex}" 60 pe)                   # e_lfanew: where the PE header is
  math(EXPR stamp_at "${pe} + 8")        # file header: TimeDateStamp
  math(EXPR sum_at "${pe} + 24 + 64")    # optional header: CheckSum
  le32("${hex}" ${stamp_at} value)
  foreach(at ${sum_at} ${stamp_at})      # the later field first
    math(EXPR begin "${at} * 2")
    math(EXPR end "${begin} + 8")
    string(SUBSTRING "${hex}" 0 ${begin} head)
    string(SUBSTRING "${hex}" ${end} -1 tail)
    set(hex "${head}00000000${tail}")
  endforeach()
  set(${result} "${hex}" PARENT_SCOPE)
  set(${stamp} ${value} PARENT_SCOPE)
endfunction()

clean_build(first --unset=SOURCE_DATE_EPOCH)
clean_build(second --unset=SOURCE_DATE_EPOCH)
file(SHA256 ${WORK_DIR}/first/dorvix.exe first_sum)
file(SHA256 ${WORK_DIR}/second/dorvix.exe second_sum)
if(NOT first_sum STREQUAL second_sum)
  message(FATAL_ERROR "two clean builds differ:\n"
    "${first_sum}  ${WORK_DIR}/first/dorvix.exe\n"
    "${second_sum}  ${WORK_DIR}/second/dorvix.exe")
endif()
read_exe(${WORK_DIR}/first/dorvix.exe first_hex stamp)
if(NOT stamp EQUAL 0)
  message(FATAL_ERROR "the exe has the link time stamp ${stamp}, not 0")
endif()

# The second build configured again with SOURCE_DATE_EPOCH: it is linked
# anew with that stamp, and is otherwise the same.
run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} ${CMAKE_COMMAND} ${WORK_DIR}/second)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/second --target dorvix -j 2)
read_exe(${WORK_DIR}/second/dorvix.exe second_hex stamp)
if(NOT stamp EQUAL epoch)
  message(FATAL_ERROR "SOURCE_DATE_EPOCH=${epoch}, but the exe has the time stamp ${stamp}")
endif()
if(NOT first_hex STREQUAL second_hex)
  message(FATAL_ERROR "SOURCE_DATE_EPOCH changed more than the time stamp")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "${PRESET}: dorvix.exe ${first_sum}")

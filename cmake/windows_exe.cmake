# dorvix.exe as the mingw-w64 compilers build it: a program that needs
# nothing but DLLs of Windows itself, and whose bytes depend only on the
# sources, so that anyone can rebuild a published exe and compare.

# The C and C++ run-time libraries linked in: no libstdc++, libgcc or
# winpthread DLL beside the exe. Symbols are stripped.
target_link_options(dorvix PRIVATE -static -s)

# No path of the source tree in the exe.
target_compile_options(dorvix_core PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
target_compile_options(dorvix PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)

# The link time stamp in the PE header is SOURCE_DATE_EPOCH, when the
# environment of the configure step gives it, and otherwise zero: never the
# time of the build.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(DORVIX_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT DORVIX_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR
      "SOURCE_DATE_EPOCH must be a number of seconds, not '${DORVIX_SOURCE_DATE_EPOCH}'")
  endif()
  # The linker takes the stamp from its own environment.
  set_property(TARGET dorvix PROPERTY CXX_LINKER_LAUNCHER
    ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${DORVIX_SOURCE_DATE_EPOCH})
  target_link_options(dorvix PRIVATE -Wl,--insert-timestamp)
else()
  target_link_options(dorvix PRIVATE -Wl,--no-insert-timestamp)
endif()

# The 32-bit exe runs on Windows 95 and NT 4.0: their loaders refuse a
# subsystem or system version above 4.0.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(dorvix PRIVATE
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
    -Wl,--major-os-version,4,--minor-os-version,0)
endif()

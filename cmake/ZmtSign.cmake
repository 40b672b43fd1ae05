# Run when the package is made, on the staged copies of the shipped programs: after their symbols
# were split off, before the sums. Authenticode signatures with the integrator's certificate, named
# in the environment of the package build:
#   ZMT_SIGN_PKCS12         the certificate with its private key, a PKCS#12 file (.p12, .pfx)
#   ZMT_SIGN_PASSWORD       the file's password (unset or empty: it has none)
#   ZMT_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping server (optional), so that the signature
#                           stays valid after the certificate expires
# The password is read from the environment only: it never lands in the build tree's files or on a
# command line. Set by the install code before: zmt_sign_files, zmt_sign_description,
# zmt_osslsigncode, zmt_sign_scratch.
if("$ENV{ZMT_SIGN_PKCS12}" STREQUAL "")
  message(NOTICE "Not signed: ZMT_SIGN_PKCS12 names no certificate; the archives are unsigned")
  return()
endif()
if(NOT EXISTS "$ENV{ZMT_SIGN_PKCS12}")
  message(FATAL_ERROR "ZMT_SIGN_PKCS12 names $ENV{ZMT_SIGN_PKCS12}, which does not exist")
endif()
if(NOT zmt_osslsigncode)
  message(FATAL_ERROR "Signing needs osslsigncode (Debian: apt install osslsigncode)")
endif()

set(zmt_sign_options -pkcs12 "$ENV{ZMT_SIGN_PKCS12}" -h sha256 -n "${zmt_sign_description}")
set(zmt_password_file "")
if(NOT "$ENV{ZMT_SIGN_PASSWORD}" STREQUAL "")
  # A folder only its owner can enter, made before the password is written into it.
  file(REMOVE_RECURSE "${zmt_sign_scratch}")
  file(MAKE_DIRECTORY "${zmt_sign_scratch}")
  file(CHMOD "${zmt_sign_scratch}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(zmt_password_file "${zmt_sign_scratch}/password")
  file(WRITE "${zmt_password_file}" "$ENV{ZMT_SIGN_PASSWORD}")
  list(APPEND zmt_sign_options -readpass "${zmt_password_file}")
endif()
if(NOT "$ENV{ZMT_SIGN_TIMESTAMP_URL}" STREQUAL "")
  list(APPEND zmt_sign_options -ts "$ENV{ZMT_SIGN_TIMESTAMP_URL}")
endif()

foreach(zmt_file IN LISTS zmt_sign_files)
  file(REMOVE "${zmt_file}.signed")
  execute_process(COMMAND "${zmt_osslsigncode}" sign ${zmt_sign_options}
                          -in "${zmt_file}" -out "${zmt_file}.signed"
                  RESULT_VARIABLE zmt_status OUTPUT_VARIABLE zmt_output ERROR_VARIABLE zmt_output)
  if(NOT zmt_status EQUAL 0)
    file(REMOVE_RECURSE "${zmt_sign_scratch}")
    message(FATAL_ERROR "osslsigncode could not sign ${zmt_file}:\n${zmt_output}")
  endif()
  file(RENAME "${zmt_file}.signed" "${zmt_file}")
  get_filename_component(zmt_name "${zmt_file}" NAME)
  message(NOTICE "Signed ${zmt_name} with $ENV{ZMT_SIGN_PKCS12}")
endforeach()
file(REMOVE_RECURSE "${zmt_sign_scratch}")

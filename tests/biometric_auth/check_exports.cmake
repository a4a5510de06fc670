# cmake -DNM=<nm> -DFILES=<file;...> -P check_exports.cmake
# Fails unless every file defines the six C functions of the biometric bridge
# in its dynamic symbol table.
set(functions
  biometric_is_available biometric_authenticate biometric_store_keychain
  biometric_retrieve_keychain biometric_delete_keychain biometric_free_string)
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${NM} --dynamic --defined-only ${file}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${file}")
  endif()
  foreach(function IN LISTS functions)
    if(NOT symbols MATCHES "[0-9a-f]+ T ${function}\n")
      message(SEND_ERROR "${file} does not export ${function}")
    endif()
  endforeach()
endforeach()

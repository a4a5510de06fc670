# biometric_auth_export(<target>): links the whole biometric bridge into the
# program <target> and puts its C functions (biometric_*) in the program's
# dynamic symbol table, although the program itself calls none of them.
function(biometric_auth_export target)
  target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,biometric_auth_static>")
  target_link_options(${target} PRIVATE "LINKER:--export-dynamic-symbol=biometric_*")
endfunction()

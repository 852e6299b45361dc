# Fails when the shared library LIBRARY defines a dynamic symbol outside its
# public interface: getNameResolver, dumpSymbolTable, the members of
# INameResolver, INameResolutionCallbacks and ISymbolTable (with
# Classification), and the virtual tables and type information of those
# classes.
execute_process(
  COMMAND nm -D --defined-only -C ${LIBRARY}
  OUTPUT_VARIABLE symbols
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

set(public_class "fe::nr::(INameResolver|INameResolutionCallbacks|ISymbolTable(::Classification)?)")
set(allowed
  "^fe::nr::getNameResolver\\(\\)$"
  "^fe::nr::dumpSymbolTable\\(fe::nr::ISymbolTable const\\*, std::ostream&\\)$"
  "^${public_class}::"
  "^(vtable|typeinfo|typeinfo name) for ${public_class}$")

string(REPLACE "\n" ";" lines "${symbols}")
set(unexpected "")
foreach(line IN LISTS lines)
  # "address type name"; the name may contain spaces.
  if(NOT line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.*)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(known FALSE)
  foreach(pattern IN LISTS allowed)
    if(name MATCHES "${pattern}")
      set(known TRUE)
      break()
    endif()
  endforeach()
  if(NOT known)
    string(APPEND unexpected "  ${name}\n")
  endif()
endforeach()

if(NOT unexpected STREQUAL "")
  message(FATAL_ERROR "${LIBRARY} exports symbols outside its interface:\n${unexpected}")
endif()
message(STATUS "${LIBRARY} exports only its interface:\n${symbols}")

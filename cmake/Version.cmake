# The project version, four numbers, written once into a generated header
# that both the resource compiler (version blocks) and C++ include.
foreach(part PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(QUILLON_VERSION_${part}_NUMBER 0)
  else()
    set(QUILLON_VERSION_${part}_NUMBER ${PROJECT_VERSION_${part}})
  endif()
endforeach()
set(QUILLON_VERSION_FOUR
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${QUILLON_VERSION_PATCH_NUMBER}.${QUILLON_VERSION_TWEAK_NUMBER}")
set(QUILLON_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/../res/QuillonVersion.h.in ${QUILLON_GENERATED_DIR}/QuillonVersion.h @ONLY)
include_directories(${QUILLON_GENERATED_DIR})

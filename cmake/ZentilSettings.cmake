# One INTERFACE target carries the compiler settings every Zentil target shares.
add_library(zentil_settings INTERFACE)
target_compile_features(zentil_settings INTERFACE cxx_std_20)
target_compile_definitions(zentil_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER
  QT_NO_KEYWORDS
  ZENTIL_VERSION_TEXT="${PROJECT_VERSION}"
  ZENTIL_DEBUG_MODE_DEFAULT=$<IF:$<BOOL:${ZENTIL_DEBUG_MODE}>,true,false>)
target_compile_options(zentil_settings INTERFACE -Wall -Wextra -Wpedantic
  -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wformat=2
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
  $<$<CXX_COMPILER_ID:Clang>:-Wshadow-uncaptured-local>)
if(ZENTIL_WERROR)
  target_compile_options(zentil_settings INTERFACE -Werror)
endif()
if(ZENTIL_SANITIZE)
  target_compile_options(zentil_settings INTERFACE -fsanitize=address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zentil_settings INTERFACE -fsanitize=address,undefined)
endif()
if(ZENTIL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZENTIL_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage for the fuzzer in every Zentil object; the fuzz targets link libFuzzer itself.
  target_compile_options(zentil_settings INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(zentil_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()
